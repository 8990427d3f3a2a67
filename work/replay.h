// Replays measured work-unit times through the dynamic hand-out: how well would P ranks have been
// kept busy? Each rank that falls idle takes the next unit of the queue, in the queue's order;
// the efficiency is the total work over P times the moment the last unit ends.
//
// The re-split model (when `min_piece` > 0): once the queue is empty, a rank that falls idle
// takes half of the remaining work of the running unit that has the most left, provided that
// half is at least `min_piece` seconds; the two halves then end together. Splitting is taken as
// free and the halves as exactly even, so the model gives the best that re-splitting can reach;
// `min_piece` stands for the smallest piece worth sending (below it the split's own cost and the
// tree's unevenness dominate). A rank that finds nothing worth splitting stays idle to the end.
#pragma once

#include <string>
#include <vector>

namespace tessera::work {

struct ReplayResult {
    double total = 0;     // the sum of the unit times
    double makespan = 0;  // when the last unit ends
    double efficiency = 0;
    long splits = 0;  // halves handed out by re-splitting
};

ReplayResult replay_units(const std::vector<double>& times, int ranks, double min_piece = 0);

// The longest time a unit may take, in seconds (about 31 years): beyond it a times file holds
// no measurement, and sums of such times would overflow.
inline constexpr double kLongestUnit = 1e9;

// At most this many ranks are replayed.
inline constexpr int kMostRanks = 1000000;

// Reads unit times in seconds, white-space separated; "#" starts a comment to the end of the
// line. Returns an empty string or one line naming the file, the line and the fault.
std::string read_unit_times(const std::string& path, std::vector<double>& times);

// The distribution of the times: count, total, min, median, 90th and 99th percentile, max.
std::string time_distribution(std::vector<double> times);

}  // namespace tessera::work

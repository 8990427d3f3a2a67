#include "work/replay.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <charconv>
#include <iterator>
#include <set>
#include <sstream>

#include "app/files.h"
#include "app/text.h"

namespace tessera::work {

namespace {

// Nearest-rank percentile of sorted times.
double percentile(const std::vector<double>& sorted, double p) {
    const auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

}  // namespace

ReplayResult replay_units(const std::vector<double>& times, int ranks, double min_piece) {
    ReplayResult result;
    for (const double t : times) result.total += t;
    // Only the ranks at work are kept, by the time each ends: a rank that never takes work, or
    // retires, leaves nothing behind but its last end, which the makespan holds. So a million
    // ranks cost no more than the units and splits they make.
    std::multiset<double> ends;
    std::size_t unused = static_cast<std::size_t>(std::max(ranks, 1));  // idle since time 0
    std::size_t next = 0;
    for (;;) {
        const bool fresh = unused > 0;
        double now = 0;
        if (fresh) {
            --unused;
        } else if (!ends.empty()) {
            now = *ends.begin();
            ends.erase(ends.begin());
        } else {
            break;
        }
        result.makespan = std::max(result.makespan, now);
        if (next < times.size()) {
            ends.insert(now + times[next++]);
            continue;
        }
        const double fullest = ends.empty() ? now : *ends.rbegin();
        const double half = (fullest - now) / 2;
        if (min_piece > 0 && fullest > now && half >= min_piece) {
            ends.erase(std::prev(ends.end()));
            ends.insert(now + half);
            ends.insert(now + half);
            ++result.splits;
            continue;
        }
        // Nothing to take at this moment: every other rank still idle since time 0 finds the same.
        if (fresh) unused = 0;
    }
    result.efficiency =
        result.makespan > 0 ? result.total / (static_cast<double>(std::max(ranks, 1)) * result.makespan) : 1.0;
    return result;
}

std::string read_unit_times(const std::string& path, std::vector<double>& times) {
    const FileText file = read_text_file(path, std::size_t{256} << 20);
    if (!file.ok()) return format("%s: cannot be read (%s)", path.c_str(), file.fault.c_str());
    std::istringstream in(file.text);
    std::string line;
    for (long number = 1; std::getline(in, line); ++number) {
        std::istringstream tokens(line.substr(0, line.find('#')));
        std::string token;
        while (tokens >> token) {
            double t = 0;
            const char* end = token.data() + token.size();
            const auto [ptr, ec] = std::from_chars(token.data(), end, t);
            if (ec != std::errc() || ptr != end || !std::isfinite(t) || t < 0 || t > kLongestUnit)
                return format("%s:%ld: '%s' is not a time in seconds (a decimal number from 0 to %.0f)", path.c_str(),
                              number, token.c_str(), kLongestUnit);
            times.push_back(t);
        }
    }
    if (times.empty()) return format("%s: holds no unit time", path.c_str());
    return {};
}

std::string time_distribution(std::vector<double> times) {
    if (times.empty()) return "units=0\n";
    std::sort(times.begin(), times.end());
    double total = 0;
    for (const double t : times) total += t;
    return format("units=%zu total=%.6g s min=%.6g median=%.6g p90=%.6g p99=%.6g max=%.6g\n", times.size(), total,
                  times.front(), percentile(times, 0.5), percentile(times, 0.9), percentile(times, 0.99), times.back());
}

}  // namespace tessera::work

#include "tools/replay.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/text.h"

namespace tessera::tools {

namespace {

// The rank that is next to fall idle: the earliest end among the ranks still in play.
int next_idle(const std::vector<double>& end, const std::vector<bool>& retired) {
    int best = -1;
    for (int r = 0; r < static_cast<int>(end.size()); ++r)
        if (!retired[r] && (best < 0 || end[r] < end[best])) best = r;
    return best;
}

// The rank whose running work has the most left at `now`.
int fullest(const std::vector<double>& end, double now) {
    int best = 0;
    for (int r = 1; r < static_cast<int>(end.size()); ++r)
        if (end[r] > end[best]) best = r;
    return end[best] > now ? best : -1;
}

// Nearest-rank percentile of sorted times.
double percentile(const std::vector<double>& sorted, double p) {
    const auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

}  // namespace

ReplayResult replay_units(const std::vector<double>& times, int ranks, double min_piece) {
    ReplayResult result;
    for (const double t : times) result.total += t;
    std::vector<double> end(static_cast<std::size_t>(std::max(ranks, 1)), 0.0);
    std::vector<bool> retired(end.size(), false);
    std::size_t next = 0;
    for (int r = next_idle(end, retired); r >= 0; r = next_idle(end, retired)) {
        const double now = end[r];
        if (next < times.size()) {
            end[r] = now + times[next++];
            continue;
        }
        const int q = min_piece > 0 ? fullest(end, now) : -1;
        const double half = q >= 0 ? (end[q] - now) / 2 : 0;
        if (q >= 0 && half >= min_piece) {
            end[q] = end[r] = now + half;
            ++result.splits;
        } else {
            retired[r] = true;
        }
    }
    result.makespan = *std::max_element(end.begin(), end.end());
    result.efficiency = result.makespan > 0 ? result.total / (static_cast<double>(end.size()) * result.makespan) : 1.0;
    return result;
}

std::string read_unit_times(const std::string& path, std::vector<double>& times) {
    std::ifstream in(path);
    if (!in) return format("%s: cannot be read", path.c_str());
    std::string line;
    for (long number = 1; std::getline(in, line); ++number) {
        std::istringstream tokens(line.substr(0, line.find('#')));
        std::string token;
        while (tokens >> token) {
            char* stop = nullptr;
            const double t = std::strtod(token.c_str(), &stop);
            if (*stop != '\0' || !std::isfinite(t) || t < 0)
                return format("%s:%ld: '%s' is not a time in seconds", path.c_str(), number, token.c_str());
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

}  // namespace tessera::tools

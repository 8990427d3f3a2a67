#include "work/merge.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/files.h"
#include "app/text.h"
#include "search/placement_file.h"
#include "solve/sha256.h"
#include "work/split_folder.h"

namespace tessera::work {

namespace fs = std::filesystem;

namespace {

struct MergeTotals {
    solve::BigCount solutions;
    std::uint64_t nodes = 0;
    std::size_t done = 0, failed = 0;
    bool complete = true;
    std::vector<std::string> solution_files;  // in unit order
    std::string times;                        // seconds of each unit done, in unit order
};

// Each solution file of a unit's result: its hash, the checker, and that it extends the unit.
std::string check_solutions(const OpenSplit& split, std::size_t k, const UnitRecord& record) {
    auto unit = std::make_unique<PlacementList>();
    if (std::string fault = read_unit(split, k, *unit); !fault.empty()) return fault;
    auto list = std::make_unique<PlacementList>();
    for (const auto& [name, hash] : record.files) {
        const std::string path = (fs::path(split.dir) / name).string();
        std::string now;
        if (!solve::sha256_of_file(path, now) || now != hash) return name + " is missing or changed";
        if (std::string fault = read_placement_file(path.c_str(), *list); !fault.empty()) return fault;
        if (std::string fault = solve::solution_fault(split.solver->state(), split.problem, *list); !fault.empty())
            return name + " fails the check: " + fault;
        for (int i = 0; i < unit->count; ++i)
            if (i >= list->count || list->entries[i].piece != unit->entries[i].piece ||
                list->entries[i].row != unit->entries[i].row || list->entries[i].col != unit->entries[i].col ||
                list->entries[i].orientation != unit->entries[i].orientation)
                return name + " does not extend its unit";
    }
    return {};
}

// A unit's state in the merge: with `list`, every unit gets a line, else only those that failed.
void merge_unit(const OpenSplit& split, std::size_t k, bool list, MergeTotals& totals) {
    const std::string path = unit_path(split, k, ".result");
    if (!file_exists(path)) {
        totals.complete = false;
        if (list) std::printf("unit %zu: not done\n", k);
        return;
    }
    UnitRecord record;
    std::string fault = read_unit_result(split, k, record);
    if (fault.empty()) fault = check_solutions(split, k, record);
    if (!fault.empty()) {
        std::printf("unit %zu: failed: %s: %s\n", k, path.c_str(), fault.c_str());
        totals.complete = false;
        ++totals.failed;
        return;
    }
    if (record.end == UnitEnd::Stopped) {
        if (list) std::printf("unit %zu: not done (stopped; its rerun continues from its checkpoint)\n", k);
        totals.complete = false;
        return;
    }
    if (list) std::printf("unit %zu: done\n", k);
    ++totals.done;
    totals.complete = totals.complete && record.end == UnitEnd::Complete;
    totals.solutions.add(record.solutions);
    totals.nodes += record.nodes;
    totals.times += format("%.6f\n", record.seconds);
    for (const auto& file : record.files) totals.solution_files.push_back((fs::path(split.dir) / file.first).string());
}

// The merge's outputs, tried before the units are read.
bool merge_outputs_usable(const std::string& out, bool numbered, const std::string& times) {
    const std::pair<const char*, std::string> outputs[] = {{"-o", solve::solution_path(out, 1, numbered)}, {"--times", times}};
    for (const auto& [option, path] : outputs) {
        if (path.empty()) continue;
        if (const std::string fault = output_fault(path, OutputKind::FileOrDevice); !fault.empty()) {
            std::fprintf(stderr, "%s: cannot write '%s' (%s)\n", option, path.c_str(), fault.c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

int run_merge(const MergeOptions& opt) {
    OpenSplit split;
    if (!open_split(opt.dir, split)) return 2;
    const Manifest& m = split.manifest;
    const std::string out = opt.output.empty() ? (fs::path(opt.dir) / "solved.txt").string() : opt.output;
    if (!merge_outputs_usable(out, m.max_solutions != 0, opt.times)) return 2;
    MergeTotals totals;
    for (std::size_t k = 1; k <= m.units; ++k) merge_unit(split, k, opt.list, totals);
    // The solutions in unit order, as many as a single solve would have written.
    const std::size_t wanted = m.count ? 0 : m.max_solutions != 0 ? m.max_solutions : 1;
    const std::size_t n = std::min(wanted, totals.solution_files.size());
    for (std::size_t i = 0; i < n; ++i) {
        const FileText solution = read_text_file(totals.solution_files[i]);
        if (!solution.ok()) {
            std::fprintf(stderr, "%s: cannot be read (%s)\n", totals.solution_files[i].c_str(), solution.fault.c_str());
            return 1;
        }
        if (!write_or_say(solve::solution_path(out, i + 1, m.max_solutions != 0), solution.text)) return 1;
    }
    if (!opt.times.empty() && !write_or_say(opt.times, "# seconds of each unit done, in unit order\n" + totals.times))
        return 1;
    const bool all_done = totals.done == m.units;
    std::printf("solutions=%s nodes=%llu complete=%s units_done=%zu/%zu\n", totals.solutions.text().c_str(),
                static_cast<unsigned long long>(totals.nodes), all_done && totals.complete ? "yes" : "no",
                totals.done, m.units);
    if (std::fflush(stdout) != 0) return 1;
    if (!all_done)
        std::fprintf(stderr, "merge: %zu of %zu units are not done%s%s\n", m.units - totals.done, m.units,
                     totals.failed != 0 ? format(", %zu of them failed", totals.failed).c_str() : "",
                     opt.list ? "" : " (--list names each unit's state)");
    return all_done ? 0 : 3;
}

}  // namespace tessera::work

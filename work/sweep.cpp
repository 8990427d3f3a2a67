#include "work/sweep.h"

#include "work/job_script.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/search_params.h"
#include "app/solver.h"
#include "app/files.h"
#include "app/text.h"
#include "search/placement_file.h"
#include "check/checker.h"

namespace tessera::work {

namespace fs = std::filesystem;

namespace {

std::string pair_text(i32 x, i32 y) { return std::to_string(x) + "," + std::to_string(y); }

// The pairs of the plan that every setting shares, by their option names.
struct SharedPair {
    const char* name;
    i32 SearchParams::*x;
    i32 SearchParams::*y;
};
constexpr SharedPair kSharedPairs[] = {
    {"start", &SearchParams::start_x, &SearchParams::start_y},
    {"end", &SearchParams::end_x, &SearchParams::end_y},
    {"margin-start", &SearchParams::margin_start_x, &SearchParams::margin_start_y},
    {"margin-end", &SearchParams::margin_end_x, &SearchParams::margin_end_y},
};

bool parse_number(std::string_view text, std::int64_t& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

// One line of the plan read into the plan; false when the key or its value makes no sense.
bool read_plan_line(const std::string& key, const std::string& value, SweepPlan& plan) {
    if (key == "time-limit") {
        char* end = nullptr;
        plan.time_limit = std::strtod(value.c_str(), &end);
        return end != value.c_str() && *end == '\0' && plan.time_limit > 0;
    }
    if (key == "limits") {
        std::int64_t on = 0;
        if (!parse_number(value, on) || (on != 0 && on != 1)) return false;
        plan.params.use_limits = static_cast<i32>(on);
        return true;
    }
    if (key == "first") {
        SweepSetting s;
        if (!parse_pair(value, s.first_x, s.first_y)) return false;
        plan.settings.push_back(s);
        return true;
    }
    for (const SharedPair& pair : kSharedPairs)
        if (key == pair.name) return parse_pair(value, plan.params.*pair.x, plan.params.*pair.y);
    return false;
}

// The number after `label` in `text` (the first occurrence), or -1.
std::int64_t number_after(const std::string& text, const std::string& label) {
    const std::size_t at = text.find(label);
    if (at == std::string::npos) return -1;
    std::size_t from = at + label.size(), to = from;
    while (to < text.size() && text[to] >= '0' && text[to] <= '9') ++to;
    std::int64_t value = -1;
    return parse_number(std::string_view(text).substr(from, to - from), value) ? value : -1;
}

bool in_region(const Region& region, int x, int y) {
    return x > region.x1 && x <= region.x2 && y > region.y1 && y <= region.y2;
}

// The checker's check::verdict on a "var_" file: a valid placement whose limit region is full.
std::string var_fault(Solver& solver, const fs::path& file, const Region& region) {
    auto list = std::make_unique<PlacementList>();
    const std::string path = file.string();
    std::string fault = read_placement_file(path.c_str(), *list);
    if (!fault.empty()) return fault;
    const check::PlacementReport report = check::check_placement(solver.state().prvky, *list, path);
    if (!report.valid()) return check::verdict(report);
    int open_cells = 0;
    for (const std::string& cell : report.incomplete_cells) {
        int x = 0, y = 0;
        if (std::sscanf(cell.c_str(), "%d,%d", &x, &y) == 2 && in_region(region, x, y)) ++open_cells;
    }
    return open_cells == 0 ? std::string() : format("%d cells of the limit region are not complete", open_cells);
}

std::vector<VarFile> check_var_files(Solver& solver, const fs::path& folder, const Region& region) {
    std::vector<VarFile> found;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("var_", 0) != 0 || entry.path().extension() != ".txt") continue;
        found.push_back({name, var_fault(solver, entry.path(), region)});
    }
    // By pass count, as the search wrote them.
    std::sort(found.begin(), found.end(), [](const VarFile& a, const VarFile& b) {
        return number_after(a.name, "var_") < number_after(b.name, "var_");
    });
    return found;
}

std::string optional_number(std::int64_t value) { return value < 0 ? "-" : std::to_string(value); }

int var_ok_count(const SettingReport& row) {
    int ok = 0;
    for (const VarFile& v : row.var_files) ok += v.fault.empty() ? 1 : 0;
    return ok;
}

}  // namespace

bool parse_pair(const std::string& text, i32& x, i32& y) {
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos) return false;
    std::int64_t a = 0, b = 0;
    if (!parse_number(std::string_view(text).substr(0, comma), a) ||
        !parse_number(std::string_view(text).substr(comma + 1), b))
        return false;
    if (a < INT32_MIN || a > INT32_MAX || b < INT32_MIN || b > INT32_MAX) return false;
    x = static_cast<i32>(a), y = static_cast<i32>(b);
    return true;
}

std::string setting_folder(const SweepSetting& s) {
    return "first_" + std::to_string(s.first_x) + "_" + std::to_string(s.first_y);
}

std::string plan_text(const SweepPlan& plan) {
    std::ostringstream out;
    out << "# tessera sweep: the search of every first point below, with these parameters\n";
    out << "time-limit " << plan.time_limit << "\n";
    out << "limits " << plan.params.use_limits << "\n";
    for (const SharedPair& pair : kSharedPairs)
        out << pair.name << " " << pair_text(plan.params.*pair.x, plan.params.*pair.y) << "\n";
    for (const SweepSetting& s : plan.settings) out << "first " << pair_text(s.first_x, s.first_y) << "\n";
    return out.str();
}

std::string read_plan(const std::string& path, SweepPlan& plan) {
    const FileText file = read_text_file(path, std::size_t{64} << 20);
    if (!file.ok()) return format("%s: cannot be read (%s); not a sweep folder?", path.c_str(), file.fault.c_str());
    std::istringstream in(file.text);
    plan = SweepPlan{};
    std::string line;
    for (long number = 1; std::getline(in, line); ++number) {
        if (line.empty() || line[0] == '#') continue;
        const std::size_t blank = line.find(' ');
        const std::string key = line.substr(0, blank);
        const std::string value = blank == std::string::npos ? std::string() : line.substr(blank + 1);
        if (!read_plan_line(key, value, plan))
            return format("%s:%ld: '%s' is not a line of a sweep plan", path.c_str(), number, line.c_str());
    }
    if (plan.settings.empty()) return format("%s: the plan names no setting", path.c_str());
    if (plan.time_limit <= 0) return format("%s: the plan has no time limit", path.c_str());
    return {};
}

SearchParams setting_params(const SweepPlan& plan, const SweepSetting& setting) {
    SearchParams p = plan.params;
    p.first_x = setting.first_x;
    p.first_y = setting.first_y;
    return p;
}

std::vector<std::string> search_args(const SweepPlan& plan, const SweepSetting& setting) {
    std::ostringstream limit;
    limit << plan.time_limit;
    std::vector<std::string> args = {"search", "--pieces", kPieceFile, "--first",
                                     pair_text(setting.first_x, setting.first_y), "--time-limit", limit.str()};
    if (plan.params.use_limits == 0) return args;
    args.push_back("--limits");
    for (const SharedPair& pair : kSharedPairs) {
        args.push_back(std::string("--") + pair.name);
        args.push_back(pair_text(plan.params.*pair.x, plan.params.*pair.y));
    }
    return args;
}

std::vector<SweepSetting> anchor_cells(Solver& solver, const SearchParams& params) {
    SolverState& s = solver.state();
    s.params = params;
    std::vector<SweepSetting> cells;
    for (i32 x = 0; x < kBoardRows; ++x)
        for (i32 y = 0; y < kBoardCols; ++y) {
            s.target_row = x, s.target_col = y;
            bool starts = false;
            for (i32 piece = 1; piece <= kPieceCount && !starts; ++piece) {
                const PieceRecord* record = solver.first_orientation(piece);
                starts = record && record->holes[1].kind > 0;
            }
            if (starts) cells.push_back({x, y});
        }
    return cells;
}

std::string sweep_job_script(const std::string& tessera, const std::string& dir, const SweepPlan& plan) {
    JobArray job;
    job.name = "tessera-sweep";
    job.tasks = plan.settings.size();
    // The search stops itself at its time limit; the task's limit only catches a hung node.
    job.minutes = static_cast<long>(plan.time_limit / 60) + 5;
    job.dir = dir;
    job.notes = {
        "tessera sweep: one array task per setting of " + dir + "/" + kPlanFile + ".",
        "Submit with `sbatch job.sbatch`; rerun setting K alone with `sbatch --array=K job.sbatch`.",
        "A requeued task runs its setting again from the start and replaces its search.log.",
    };
    job.body = "exec '" + tessera + "' sweep --task \"$SLURM_ARRAY_TASK_ID\" -o '" + dir + "'\n";
    return job_script(job);
}

void read_search_log(const std::string& text, SettingReport& report) {
    report.passes = number_after(text, "steps=");
    report.deepest = static_cast<int>(number_after(text, "deepest depth "));
    report.fewest_unfilled = static_cast<int>(number_after(text, "fewest unfilled region cells "));
    const std::int64_t status = number_after(text, "sweep: status=");
    if (text.find("sweep: stopped") != std::string::npos)
        report.state = "stopped";
    else
        report.state = status == 0 ? "done" : "failed";
}

std::vector<SettingReport> sweep_report(Solver& solver, const std::string& dir, const SweepPlan& plan) {
    std::vector<SettingReport> rows;
    const Region region = limit_region(plan.params);
    for (const SweepSetting& setting : plan.settings) {
        SettingReport row;
        row.setting = setting;
        const fs::path folder = fs::path(dir) / setting_folder(setting);
        const FileText log = read_text_file((folder / kSearchLog).string(), std::size_t{16} << 20);
        if (log.ok()) read_search_log(log.text, row);
        row.var_files = check_var_files(solver, folder, region);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string report_table(const std::vector<SettingReport>& rows) {
    std::string out = format("%-9s %-8s %12s %8s %16s  %s\n", "first", "state", "passes", "deepest",
                             "fewest unfilled", "var_ files (checked)");
    for (const SettingReport& row : rows) {
        std::string files;
        for (const VarFile& v : row.var_files)
            files += (files.empty() ? "" : ", ") + v.name + (v.fault.empty() ? " ok" : " FAILED: " + v.fault);
        out += format("%-9s %-8s %12s %8s %16s  %s\n", pair_text(row.setting.first_x, row.setting.first_y).c_str(),
                      row.state.c_str(), optional_number(row.passes).c_str(), optional_number(row.deepest).c_str(),
                      optional_number(row.fewest_unfilled).c_str(), files.empty() ? "-" : files.c_str());
    }
    return out;
}

std::string report_csv(const std::vector<SettingReport>& rows) {
    std::string out = "first_x,first_y,state,passes,deepest_depth,fewest_unfilled,var_files,var_files_ok,var_names\n";
    for (const SettingReport& row : rows) {
        std::string names;
        for (const VarFile& v : row.var_files) names += (names.empty() ? "" : ";") + v.name;
        out += format("%d,%d,%s,%s,%s,%s,%zu,%d,%s\n", row.setting.first_x, row.setting.first_y, row.state.c_str(),
                      row.passes < 0 ? "" : std::to_string(row.passes).c_str(),
                      row.deepest < 0 ? "" : std::to_string(row.deepest).c_str(),
                      row.fewest_unfilled < 0 ? "" : std::to_string(row.fewest_unfilled).c_str(), row.var_files.size(),
                      var_ok_count(row), names.c_str());
    }
    return out;
}

}  // namespace tessera::work

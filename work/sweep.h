// Sweeps of the search: the search is one long sequence for each setting of its parameters, so
// it scales by running many settings side by side. A sweep is a folder that holds its plan
// ("sweep.txt": the shared parameters, the time limit and one first point per setting), one
// working folder per setting with the piece file linked in, and, once a setting has run, its
// "search.log". This part knows the plan, the folders, the job script and the report; running
// processes is the front end's business.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/solver_state.h"

namespace tessera {
class Solver;
}

namespace tessera::work {

struct SweepSetting {
    i32 first_x = 0, first_y = 0;
};

struct SweepPlan {
    SearchParams params{};  // the limits and margins every setting shares; first_x/first_y unused
    double time_limit = 0;  // seconds of search per setting
    std::vector<SweepSetting> settings;
};

inline constexpr const char* kPlanFile = "sweep.txt";
inline constexpr const char* kSearchLog = "search.log";

// "first_X_Y": the working folder of a setting, inside the sweep folder.
std::string setting_folder(const SweepSetting& setting);

// The plan as the text of "sweep.txt", and back. read_plan returns an empty string or one line
// naming the file, the line and the fault.
std::string plan_text(const SweepPlan& plan);
std::string read_plan(const std::string& path, SweepPlan& plan);

// The parameters of one setting: the plan's with the setting's first point.
SearchParams setting_params(const SweepPlan& plan, const SweepSetting& setting);

// The options of `tessera search` that run one setting in its folder (the working folder is
// left to the caller).
std::vector<std::string> search_args(const SweepPlan& plan, const SweepSetting& setting);

// Every board cell on which the search can lay a first piece: some piece whose first
// orientation that the check accepts there, on the empty board and under the limits of
// `params`, has a hole (the search skips a first piece without one). Rows first, then columns.
std::vector<SweepSetting> anchor_cells(Solver& solver, const SearchParams& params);

// The Slurm batch script of a sweep: one array task per setting, each running
// `TESSERA sweep --task K -o DIR`, its output and errors in DIR/logs/.
std::string sweep_job_script(const std::string& tessera, const std::string& dir, const SweepPlan& plan);

// What a setting's "search.log" tells, and how its "var_" files fared.
struct VarFile {
    std::string name;
    std::string fault;  // empty when the checker finds a valid placement that fills the region
};
struct SettingReport {
    SweepSetting setting;
    std::string state = "not run";  // "done", "stopped" (by a signal), "failed", "not run"
    std::int64_t passes = -1;       // -1 when unknown
    int deepest = -1;
    int fewest_unfilled = -1;  // -1 when the search saw no limit region
    std::vector<VarFile> var_files;
};

// Reads the passes, the deepest depth, the fewest unfilled region cells and the end state from
// the text of a "search.log" (the search's own output, then the runner's "status=" line).
void read_search_log(const std::string& text, SettingReport& report);

// The report of every setting of a sweep folder; the "var_" files are checked against the
// catalogue of `solver` (started up on the sweep's piece file) and the plan's region.
std::vector<SettingReport> sweep_report(Solver& solver, const std::string& dir, const SweepPlan& plan);

std::string report_table(const std::vector<SettingReport>& rows);
std::string report_csv(const std::vector<SettingReport>& rows);

// "X,Y" as two integers; false for anything else.
bool parse_pair(const std::string& text, i32& x, i32& y);

}  // namespace tessera::work

// The parameter texts on any bytes: the first byte's lowest bit is the limits check box, the
// rest is split at line breaks into the texts of the ten parameter fields, in the order of the
// parameter table (fields without a line keep their default text). Each text must read as the
// C library's strtoll reads it, clamped to 32 bits; a press of the button must refuse exactly
// the parameters that put the first point off the board, and otherwise run a short search that
// keeps the state sound and writes only files that load back.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/search_params.h"
#include "app/solver.h"
#include "board/board.h"
#include "fuzz/fuzz_support.h"

namespace tessera::fuzz {
namespace {

i32 reference_number(const std::string& text) {
    errno = 0;
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<i32>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
}

// Every "var_" file and "big.txt" that the search wrote must load.
void check_written_files(Solver& solver) {
    DIR* dir = ::opendir(".");
    if (!dir) fail("cannot list the working directory");
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir))
        if (std::strncmp(entry->d_name, "var_", 4) == 0 || std::strcmp(entry->d_name, "big.txt") == 0)
            names.emplace_back(entry->d_name);
    ::closedir(dir);
    for (const std::string& name : names)
        if (solver.nacti_reseni(name.c_str()) != 0) fail("%s, written by the search, does not load", name.c_str());
}

}  // namespace
}  // namespace tessera::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessera;
    using namespace tessera::fuzz;
    static Harness* harness = nullptr;
    const bool first = !harness;
    if (first) harness = new Harness;
    StopAtPassPanel& panel = harness->panel;
    Solver& solver = harness->solver;
    if (first) {
        enter_work_dir();
        write_input("zdroj.txt", fixed_pieces());
        write_input("empty.txt", "");
        solver.FormCreate();
    }
    remove_files_except({"zdroj.txt", "empty.txt"});
    if (solver.nacti_reseni("empty.txt") != 0) fail("an empty resume file does not load");

    panel.set_checked(size > 0 && (data[0] & 1) != 0);
    const std::string rest = size > 0 ? std::string(reinterpret_cast<const char*>(data) + 1, size - 1) : std::string();
    std::size_t from = 0;
    SearchParams expected{};
    expected.use_limits = panel.checked(Control::CheckBox1) ? 1 : 0;
    for (const ParamSpec& entry : kParamTable) {
        std::string text = entry.default_text;
        if (from <= rest.size() && size > 0) {
            const std::size_t end = std::min(rest.find('\n', from), rest.size());
            text = rest.substr(from, end - from);
            from = end + 1;
        }
        panel.set_text(entry.control, text);
        const i32 want = reference_number(text);
        if (atol_rule(text) != want) fail("'%s' reads as %d, not %d", text.c_str(), atol_rule(text), want);
        expected.*entry.field = want;
    }
    const SearchParams read = read_params(panel);
    if (std::memcmp(&read, &expected, sizeof read) != 0) fail("the panel's parameters read otherwise");

    // A first point can take a first piece when it lies on the board and not on the frame.
    BoardMatrix board;
    fill_initial_board(board);
    const bool first_on_board = on_board(expected.first_x, expected.first_y) &&
                                board[expected.first_x][expected.first_y] != kFull;
    const bool region_ok = expected.use_limits == 0 || region_fault(expected).empty();
    if (params_fault(read).empty() != (first_on_board && region_ok))
        fail("params_fault disagrees about the first point or the region");

    panel.stop_at = 150;
    const ClickResult result = solver.Button1Click();
    if (result == ClickResult::BadParams) {
        if (first_on_board && region_ok) fail("parameters with the first point on the board were refused");
        if (::access("tuton.txt", F_OK) == 0) fail("a refused search wrote tuton.txt");
        if (solver.state().running != 0 || solver.state().depth != 0) fail("a refused search changed the state");
        return 0;
    }
    if (result != ClickResult::SearchEnded) fail("the press ended as %d", static_cast<int>(result));
    if (!first_on_board) fail("a first point off the board was not refused");
    if (solver.state().step_count > panel.stop_at) fail("the search ran past its stop");
    check_state(solver);
    check_reloads(solver, "tuton.txt");
    check_written_files(solver);
    return 0;
}

// The resume loader on any bytes, after a start-up on a small fixed piece set. A file that is
// refused must leave the state that was there as it was; a file that is taken must give the
// stack that its numbers spell, a sound state, and a search from it that stays sound and whose
// result loads back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/solver.h"
#include "fuzz/fuzz_support.h"

namespace tessera::fuzz {
namespace {

// The numbers of a placement file read the plain way: white-space separated tokens, each an
// optional sign and decimal digits. False when some token is not such a number.
bool plain_numbers(const std::uint8_t* data, std::size_t size, std::vector<long long>& out) {
    const auto space = [](std::uint8_t ch) { return ch == ' ' || (ch >= '\t' && ch <= '\r'); };
    std::size_t i = 0;
    while (i < size) {
        if (space(data[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < size && !space(data[end])) ++end;
        std::string token(reinterpret_cast<const char*>(data + i), end - i);
        std::size_t digits = token[0] == '+' || token[0] == '-' ? 1 : 0;
        if (digits == token.size() || token.find_first_not_of("0123456789", digits) != std::string::npos) return false;
        out.push_back(std::strtoll(token.c_str(), nullptr, 10));
        i = end;
    }
    return true;
}

struct Snapshot {
    i32 matice[kBoardRows][kBoardCols];
    Placement reseni[kPieceCount + 1];
    OpenSpot volny[kSpotSlots];
    i32 piece_used[kPieceCount + 1];
    i32 depth, open_count;

    explicit Snapshot(const SolverState& s) : depth(s.depth), open_count(s.open_count) {
        std::memcpy(matice, s.matice, sizeof matice);
        std::memcpy(reseni, s.reseni, sizeof reseni);
        std::memcpy(volny, s.volny, sizeof volny);
        std::memcpy(piece_used, s.piece_used, sizeof piece_used);
    }
    bool same(const SolverState& s) const {
        return depth == s.depth && open_count == s.open_count && std::memcmp(matice, s.matice, sizeof matice) == 0 &&
               std::memcmp(reseni, s.reseni, sizeof reseni) == 0 && std::memcmp(volny, s.volny, sizeof volny) == 0 &&
               std::memcmp(piece_used, s.piece_used, sizeof piece_used) == 0;
    }
};

}  // namespace
}  // namespace tessera::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessera;
    using namespace tessera::fuzz;
    static Harness* harness = nullptr;
    static Snapshot* base = nullptr;
    const bool first = !harness;
    if (first) harness = new Harness;
    StopAtPassPanel& panel = harness->panel;
    Solver& solver = harness->solver;
    if (first) {
        enter_work_dir();
        write_input("zdroj.txt", fixed_pieces());
        panel.set_text(Control::Edit10, "10");
        panel.set_text(Control::Edit11, "21");
        solver.FormCreate();
        // The state that every input meets: the stack after 40 passes of a search.
        panel.stop_at = 40;
        solver.Button1Click();
        if (solver.state().depth < 3) fail("the fixed piece set gives a stack of %d", solver.state().depth);
        if (solver.ulozit("base.txt") != 0) fail("cannot write base.txt");
        solver.nacti_reseni("base.txt");
        base = new Snapshot(solver.state());
    }
    remove_files_except({"zdroj.txt", "base.txt"});
    if (solver.nacti_reseni("base.txt") != 0 || !base->same(solver.state())) fail("base.txt loads another state");

    write_input("resume.txt", data, size);
    if (solver.nacti_reseni("resume.txt") != 0) {
        if (!base->same(solver.state())) fail("a refused file changed the state");
        return 0;
    }
    check_state(solver);
    std::vector<long long> numbers;
    const SolverState& s = solver.state();
    if (!plain_numbers(data, size, numbers) || numbers.size() != static_cast<std::size_t>(4 * s.depth))
        fail("a file that is not %d groups of four numbers was taken", s.depth);
    for (int i = 0; i < s.depth; ++i) {
        const Placement& e = s.reseni[i + 1];
        const long long* n = &numbers[4 * static_cast<std::size_t>(i)];
        if (e.piece != n[0] || e.row != n[1] || e.col != n[2] || e.orientation != n[3])
            fail("entry %d is %d %d %d %d, the file says %lld %lld %lld %lld", i + 1, e.piece, e.row, e.col,
                 e.orientation, n[0], n[1], n[2], n[3]);
    }

    panel.stop_at = 300;
    solver.Button1Click();
    check_state(solver);
    check_reloads(solver, "tuton.txt");
    return 0;
}

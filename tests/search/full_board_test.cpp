// Searches that end with a full board, on the shipped puzzle: its solution less one piece is
// completed by the search whenever the missing piece's area holds an open spot.
#include <gtest/gtest.h>

#include <sstream>

#include "test_support.h"

namespace tessera {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

class FullBoardTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy_file(test::shipped_data() / "zdroj.txt", "zdroj.txt");
        solution = lines_of(test::read_file(test::shipped_data() / "solution.txt"));
        ASSERT_EQ(solution.size(), 209u);
    }
    test::ScratchDir dir;
    std::vector<std::string> solution;
};

TEST_F(FullBoardTest, LastPieceCompletesTheBoardAndTheResultIsVerified) {
    int completed = 0;
    for (std::size_t missing = 0; missing < 40 && completed < 2; ++missing) {
        std::vector<std::string> partial = solution;
        partial.erase(partial.begin() + static_cast<long>(missing));
        test::write_file("partial.txt", joined(partial));
        const test::Outcome r =
            test::run_tessera("search --resume partial.txt --end 31,54 --margin-end 0,0 --max-steps 2000 --quiet");
        ASSERT_EQ(r.status, 0) << r.err;
        if (r.out.rfind("Tak a je to tam !!!", 0) != 0) continue;
        ++completed;
        EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "Tak a je to tam !!! verified");
        EXPECT_NE(r.out.find("depth=209"), std::string::npos) << r.out;
        // The search put the missing piece back where the solution has it, after the others.
        partial.push_back(solution[missing]);
        EXPECT_EQ(test::read_file("tuton.txt"), joined(partial));
        EXPECT_EQ(test::run_tessera("check tuton.txt --full").status, 0);
    }
    EXPECT_EQ(completed, 2) << "the shipped puzzle has pieces whose area keeps an open spot";
}

}  // namespace
}  // namespace tessera

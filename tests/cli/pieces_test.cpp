// tessera pieces as a user runs it: the catalogue it prints, and a piece file that is missing
// (for the search too).
#include <gtest/gtest.h>

#include <algorithm>

#include "test_support.h"

namespace tessera {
namespace {

using test::read_file;
using test::write_file;

using test::Outcome;

Outcome run(const std::string& args) { return test::run_tessera(args); }

class PiecesCliTest : public ::testing::Test {
protected:
    test::ScratchDir dir;
};

TEST_F(PiecesCliTest, PiecesPrintsOneLinePerRecordAndPerKind) {
    write_file("zdroj.txt", "1 1 1 100\n");
    const Outcome r = run("pieces");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 209 * 6 + 36);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "record 1 1 anchor 2 4 cells 2,4=100 holes");
    EXPECT_NE(r.out.find("\nkind 29 1/1/2/4 1/3/2/4 1/5/2/4\n"), std::string::npos);
}

TEST_F(PiecesCliTest, MissingPieceFileIsExitStatusTwo) {
    Outcome r = run("pieces");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "Nemohu otevrit zdrojovy soubor: 'zdroj.txt'\n");
    write_file("tuton.txt", "kept\n");
    r = run("search --pieces other.txt");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(read_file("tuton.txt"), "kept\n");
}

}  // namespace
}  // namespace tessera

// Inputs a careless or hostile user can give the search command: files that are no files,
// files from which nothing loads, searches that would end with an empty result, command lines
// that make no sense, and standard error a closed pipe. None may hang, die by a signal, or
// replace the last result with nothing.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/cli_support.h"
#include "test_support.h"

namespace tessera {
namespace {

using test::read_file;
using test::write_file;

class HostileInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string pieces = read_file(test::shipped_data() / "zdroj.txt");
        write_file("zdroj.txt", pieces);
        std::string bad_groups;
        for (int i = 0; i < 30; ++i) bad_groups += "0 1 1 100\n";
        write_file("notes.txt", pieces + bad_groups);
        write_file("bom.txt", "\xEF\xBB\xBF" + pieces);
        write_file("empty.txt", "");
        write_file("blank.txt", " \n\t\n");
        write_file("wrong-way.txt", "1 4 22 1\n");  // turned so that its cells point the other way
        ASSERT_EQ(::mkfifo("fifo", 0644), 0);
        // A short prefix of the solution: a search from it lifts every piece and ends empty.
        const std::vector<std::string> lines = test::lines_of(read_file(test::shipped_data() / "solution.txt"));
        for (int i = 0; i < 5; ++i) earlier += lines[static_cast<std::size_t>(i)] + "\n";
    }
    test::ScratchDir dir;
    std::string earlier;
};

TEST_F(HostileInputTest, EachIsRefusedInOneLineOrKeepsTheLastResult) {
    struct Case {
        std::vector<std::string> args;  // after "search --quiet", with "--max-steps 20" unless set
        int status;
        std::string message;  // a part of standard error
        bool kept;            // "tuton.txt" as it was
    };
    const Case cases[] = {
        {{"--pieces", "fifo"}, 2, "Nemohu otevrit zdrojovy soubor: 'fifo' (not a regular file)", true},
        {{"--pieces", "/dev/zero"}, 2, "'/dev/zero' (not a regular file)", true},
        {{"--pieces", "/dev/null"}, 2, "'/dev/null' (not a regular file)", true},
        {{"--pieces", "empty.txt"}, 2, "empty.txt: no piece loads from this file", true},
        {{"--pieces", "blank.txt"}, 2, "blank.txt: no piece loads from this file", true},
        {{"--pieces", "bom.txt", "--first", "10,21"}, 0, "", false},
        {{"--pieces", "notes.txt", "--first", "10,21"}, 0, "notes.txt: 10 more notes like these are not shown", false},
        {{"--resume", "fifo"}, 2, "Predesle reseni nelze nacist ('fifo') (not a regular file)", true},
        {{"--resume", "/dev/zero"}, 2, "Predesle reseni nelze nacist ('/dev/zero') (not a regular file)", true},
        {{"--resume", "tuton.txt"}, 0, "tuton.txt is kept as it was: the search ended with no piece on the board", true},
        {{"--resume", "wrong-way.txt"}, 0, "wrong-way.txt:1: piece 1 at 4,22 lies turned the wrong way", false},
        {{"--first", "0,0"}, 2, "first point 0,0 lies on a full cell", true},
        {{"--limits", "--end", "0,0", "--margin-end", "0,0"}, 2, "the margins leave no region: X runs from 0 + 0", true},
        {{"--limits", "--start", "25,0", "--end", "20,40"}, 2, "its start X 25 lies beyond its end X 20", true},
        {{"--limits", "--start", "0,50", "--end", "20,40"}, 2, "its start Y 50 lies beyond its end Y 40", true},
        {{"--limits", "--start", "40,0", "--end", "50,40"}, 2, "the margins leave no region: X runs from 40", true},
        {{"--first", "1"}, 2, "--first: '1' is not two whole numbers X,Y", true},
        {{"--first", ","}, 2, "--first: ',' is not two whole numbers X,Y", true},
        {{"--first", "1,18,5"}, 2, "--first: '1,18,5' is not two whole numbers X,Y", true},
        {{"--start", "10abc,0"}, 2, "--start: '10abc,0' is not two whole numbers X,Y", true},
        {{"--max-steps", "abc"}, 2, "--max-steps: 'abc' is not a whole number of decimal digits from 0", true},
        {{"--max-steps", "0x10"}, 2, "--max-steps: '0x10' is not a whole number", true},
        {{"--max-steps", "1e3"}, 2, "--max-steps: '1e3' is not a whole number", true},
        {{"--max-steps", "99999999999999999999"}, 2, "--max-steps: '99999999999999999999' is not a whole number", true},
        {{"--progress-every", "0"}, 2, "--progress-every: '0' is not a whole number of decimal digits from 1", true},
        {{"--time-limit", "nan"}, 2, "--time-limit: 'nan' is not a number of seconds, 0 or more", true},
        {{"--time-limit", "inf"}, 2, "--time-limit: 'inf' is not a number of seconds", true},
        {{"--no-such-option"}, 2, "--no-such-option", true},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const std::string& a : c.args) shown += a + " ";
        SCOPED_TRACE(shown);
        write_file("tuton.txt", earlier);
        std::vector<std::string> args = {"search", "--quiet"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        if (c.args[0] != "--max-steps") args.insert(args.end(), {"--max-steps", "20"});
        const test::RunResult r = test::run_tessera(args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        if (c.status == 2) {
            EXPECT_EQ(test::messages(r.err).size(), 1u) << r.err;
        }
        EXPECT_EQ(read_file("tuton.txt") == earlier, c.kept);
    }
}

// Standard output and error a pipe that nobody reads: the messages are lost, nothing else is.
TEST_F(HostileInputTest, ClosedPipeLosesOnlyTheMessages) {
    const auto into_closed_pipe = [] {
        ::signal(SIGPIPE, SIG_DFL);
        int fds[2];
        if (::pipe(fds) != 0) _exit(125);
        ::close(fds[0]);
        ::dup2(fds[1], 1);
        ::dup2(fds[1], 2);
    };
    write_file("tuton.txt", earlier);
    test::RunResult r = test::run_tessera({"search", "--pieces", "notes.txt", "--first", "10,21", "--max-steps", "300"},
                                          into_closed_pipe);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(read_file("tuton.txt"), earlier) << "the search ran to its end";
    write_file("tuton.txt", earlier);
    r = test::run_tessera({"search", "--resume", "fifo"}, into_closed_pipe);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(read_file("tuton.txt"), earlier);
}

}  // namespace
}  // namespace tessera

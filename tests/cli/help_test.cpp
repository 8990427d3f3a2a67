// The program's own help: the version, `help [COMMAND]`, mistyped commands, and help texts
// that name each value in words instead of the option parser's notation.
#include <gtest/gtest.h>

#include "test_support.h"

namespace tessera {
namespace {

using test::Outcome;

struct Asked {
    const char* args;
    int status;
    const char* in_out;  // printed on standard output
    const char* in_err;  // printed on standard error
};

// Each test in a folder of its own: the runs' output files lie in the working folder.
class HelpTest : public ::testing::Test {
protected:
    test::ScratchDir dir;
};

TEST_F(HelpTest, EachWayOfAskingAnswersPlainly) {
    const Asked cases[] = {
        {"--version", 0, "tessera ", ""},
        {"help", 0, "solve", ""},
        {"help solve", 0, "Exit status: 0 solved", ""},
        {"help solv", 2, "", "did you mean solve?"},
        {"solv", 2, "", "'solv' is not a command; did you mean solve?"},
        {"xyzzy", 2, "", "'xyzzy' is not a command (tessera help lists them)"},
        {"", 2, "", "a command is required"},
        {"solve --threads abc", 2, "", "--threads: 'abc' is not a whole number"},
    };
    for (const Asked& c : cases) {
        SCOPED_TRACE(c.args);
        const Outcome o = test::run_tessera(c.args);
        EXPECT_EQ(o.status, c.status);
        EXPECT_NE(o.out.find(c.in_out), std::string::npos) << o.out;
        EXPECT_NE(o.err.find(c.in_err), std::string::npos) << o.err;
    }
}

TEST_F(HelpTest, HelpTextsCarryNoParserNotation) {
    const char* commands[] = {"pieces", "search", "bench", "generate", "check", "render", "solve", "split",
                              "merge", "work", "sweep", "sweep-report", "replay-units"};
    for (const char* command : commands) {
        SCOPED_TRACE(command);
        const Outcome o = test::run_tessera(std::string(command) + " --help");
        ASSERT_EQ(o.status, 0);
        for (const char* artefact : {"TEXT", "UINT", "INT:INT", "Excludes:", "{false}", " in ["})
            EXPECT_EQ(o.out.find(artefact), std::string::npos) << artefact << " in\n" << o.out;
        EXPECT_NE(o.out.find("Exit status: 0"), std::string::npos);
    }
}

TEST_F(HelpTest, CommandsTakingCellsSayWhatXAndYAre) {
    for (const char* command : {"search", "solve", "bench"}) {
        const Outcome o = test::run_tessera(std::string(command) + " --help");
        EXPECT_NE(o.out.find("X is a board row (0 to 31), Y a board column (0 to 54)"), std::string::npos) << command;
    }
}

}  // namespace
}  // namespace tessera

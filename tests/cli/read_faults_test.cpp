// Input files that exist but cannot be read: without read permission, or names that open but
// give a read error (a folder). Neither may pass for an empty file: an empty piece set or an
// empty resume would start a search that at once overwrites the last result.
#include <gtest/gtest.h>

#include "cli/cli_support.h"
#include "test_support.h"

namespace tessera {
namespace {

using test::read_file;
using test::write_file;

namespace fs = std::filesystem;

class ReadFaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        write_file("zdroj.txt", test::random_pieces(3));
        write_file("tuton.txt", "1 10 21 1\n");
    }
    // Runs the search as a user without the power to ignore permissions.
    test::RunResult run_as_user(const std::vector<std::string>& args) {
        const bool root_like = test::ignores_permissions();
        return test::run_tessera(args, [root_like] {
            if (root_like && !test::drop_permission_override()) _exit(126);
        });
    }
    void skip_unless_permissions_hold() {
        if (test::ignores_permissions() && !test::can_drop_permission_override())
            GTEST_SKIP() << "runs with the power to ignore permissions and cannot give it up";
    }
    test::ScratchDir dir;
};

TEST_F(ReadFaultsTest, PieceFileWithoutReadPermission) {
    skip_unless_permissions_hold();
    if (IsSkipped()) return;
    fs::permissions("zdroj.txt", fs::perms::none);
    const test::RunResult r = run_as_user({"search", "--first", "10,21", "--quiet"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(test::messages(r.err), std::vector<std::string>{"Nemohu otevrit zdrojovy soubor: 'zdroj.txt'"});
    EXPECT_EQ(read_file("tuton.txt"), "1 10 21 1\n");
}

TEST_F(ReadFaultsTest, ResumeFileWithoutReadPermission) {
    skip_unless_permissions_hold();
    if (IsSkipped()) return;
    write_file("res_50.txt", "2 10 21 1\n");
    fs::permissions("res_50.txt", fs::perms::none);
    const test::RunResult r = run_as_user({"search", "--first", "10,21", "--quiet", "--resume", "res_50.txt"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(test::messages(r.err), std::vector<std::string>{"Predesle reseni nelze nacist ('res_50.txt')"});
    EXPECT_EQ(read_file("tuton.txt"), "1 10 21 1\n");
}

// Known fault of the loaders, kept disabled until the core is mended: a read error is taken
// for the end of the file, so a folder named "zdroj.txt" loads as an empty piece set (status
// 0) and a folder named as the resume file loads as an empty placement. Either way a search
// starts and overwrites "tuton.txt" when it ends. Run with --gtest_also_run_disabled_tests.
TEST_F(ReadFaultsTest, NamesThatOpenButCannotBeReadAreRefused) {
    // The piece file.
    fs::remove("zdroj.txt");
    fs::create_directory("zdroj.txt");
    MemoryPanel panel;
    Solver solver(panel);
    testing::internal::CaptureStderr();
    solver.FormCreate();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(solver.pieces_status(), -1);
    EXPECT_EQ(err.rfind("Nemohu otevrit zdrojovy soubor: 'zdroj.txt'", 0), 0u) << err;
    test::RunResult r = test::run_tessera({"search", "--first", "10,21", "--quiet", "--max-steps", "100"});
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_EQ(read_file("tuton.txt"), "1 10 21 1\n");

    // The resume file.
    fs::remove("zdroj.txt");
    write_file("zdroj.txt", test::random_pieces(3));
    write_file("tuton.txt", "1 10 21 1\n");
    fs::create_directory("res_50.txt");
    solver.FormCreate();
    write_file("one.txt", "1 10 21 1\n");
    ASSERT_EQ(solver.nacti_reseni("one.txt"), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(solver.nacti_reseni("res_50.txt"), -1);
    const std::string resume_err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(resume_err.rfind("Predesle reseni nelze nacist ('res_50.txt')", 0), 0u) << resume_err;
    EXPECT_EQ(solver.state().depth, 1) << "the state is kept";
    r = test::run_tessera({"search", "--first", "10,21", "--quiet", "--max-steps", "100", "--resume", "res_50.txt"});
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_EQ(read_file("tuton.txt"), "1 10 21 1\n");
}

}  // namespace
}  // namespace tessera

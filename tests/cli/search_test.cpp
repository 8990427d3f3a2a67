// tessera search as a user runs it: exit statuses, what it prints, the files it leaves, and
// stops by signal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "test_support.h"

namespace tessera {
namespace {

using test::file_exists;
using test::random_pieces;
using test::read_file;
using test::write_file;

using test::Outcome;

Outcome run(const std::string& args) { return test::run_tessera(args); }

class SearchCliTest : public ::testing::Test {
protected:
    test::ScratchDir dir;
};

TEST_F(SearchCliTest, SearchPrintsTheLastStatusAndASummary) {
    write_file("zdroj.txt", random_pieces(3));
    const Outcome r = run("search --first 10,21 --max-steps 250 --quiet");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "200");
    EXPECT_NE(r.out.find("\nsteps=250 depth="), std::string::npos) << r.out;
    EXPECT_EQ(r.err.find("passes"), std::string::npos) << "no progress or speed with --quiet";
    EXPECT_TRUE(file_exists("tuton.txt"));
}

TEST_F(SearchCliTest, WorkingDirectoryOptionReadsAndWritesThere) {
    std::filesystem::create_directory("run");
    write_file("run/zdroj.txt", "1 1 1 100\n");  // a whole cell: no place at the half cell 1,18
    const Outcome r = run("search -C run --quiet --dump-state");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Tak a je to v prdeli !!!\nsteps=0 depth=0 first_piece=210\n");
    EXPECT_TRUE(file_exists("run/tuton.txt"));
    EXPECT_TRUE(file_exists("run/matice.txt"));
    EXPECT_TRUE(file_exists("run/volny.txt"));
    EXPECT_FALSE(file_exists("tuton.txt"));
}

TEST_F(SearchCliTest, BadResumeOrParametersStartNothing) {
    write_file("zdroj.txt", random_pieces(3));
    write_file("tuton.txt", "kept\n");
    write_file("bad.txt", "1 10 21 1\n1 10 25 1\n");
    Outcome r = run("search --resume bad.txt");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("\nbad.txt:2: piece 1 is placed twice"), std::string::npos) << r.err;
    r = run("search --resume nothing-here.txt");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("\nPredesle reseni nelze nacist ('nothing-here.txt')\n"), std::string::npos) << r.err;
    r = run("search --first 5,-1");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("first point 5,-1"), std::string::npos) << r.err;
    EXPECT_EQ(read_file("tuton.txt"), "kept\n");
}

TEST_F(SearchCliTest, TermSignalStopsTheSearchAndWritesThePlacement) {
    write_file("zdroj.txt", random_pieces(4));
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = ::open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        ::execl(TESSERA_BIN, TESSERA_BIN, "search", "--first", "10,21", "--quiet", static_cast<char*>(nullptr));
        _exit(127);
    }
    // Wait for the first placement file: the search is then surely under way.
    for (int i = 0; i < 400 && !file_exists("big.txt"); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(pid, SIGTERM);
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 0);
    const std::string out = read_file("out.txt");
    EXPECT_NE(out.find("steps="), std::string::npos) << out;
    EXPECT_TRUE(file_exists("tuton.txt"));
}

}  // namespace
}  // namespace tessera

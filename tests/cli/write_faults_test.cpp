// Writes that fail: a working directory that cannot be written (no permission, a read-only file
// system, a folder removed under the search) and a disk that is full (a small file system, a
// file size limit). Each failed write is one line naming the file and the cause, the old file
// stays as it was, and the search goes on to its end.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/cli_support.h"
#include "test_support.h"

namespace tessera {
namespace {

using test::file_names;
using test::read_file;
using test::write_file;

namespace fs = std::filesystem;

// A small tmpfs on a folder for the life of the object, if this system lets the tests mount.
class SmallFileSystem {
public:
    explicit SmallFileSystem(const fs::path& folder) : folder_(folder) {
        fs::create_directory(folder);
        mounted_ = ::mount("tessera-test", folder.c_str(), "tmpfs", 0, "size=64k,mode=0755") == 0;
        if (!mounted_) why_ = std::strerror(errno);
    }
    ~SmallFileSystem() {
        if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }
    bool make_read_only() {
        return ::mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    // Writes a file until the file system has no room left.
    void fill() {
        const int fd = ::open((folder_ / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        const std::string block(4096, 'x');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        EXPECT_EQ(errno, ENOSPC);
        ::close(fd);
    }

private:
    fs::path folder_;
    bool mounted_ = false;
    std::string why_;
};

class WriteFaultsTest : public ::testing::Test {
protected:
    // A folder with the piece file, an older result and an older progress file.
    void prepare(const fs::path& folder) {
        fs::create_directories(folder);
        write_file(folder / "zdroj.txt", test::random_pieces(3));
        write_file(folder / "tuton.txt", "1 10 21 1\n");
        write_file(folder / "res_50.txt", "2 10 21 1\n");
    }

    // A search of 120 passes with a progress file every 50: three writes, all of which fail.
    test::RunResult search_in(const fs::path& folder, const std::function<void()>& in_child = {}) {
        return test::run_tessera({"search", "-C", folder.string(), "--first", "10,21", "--max-steps", "120",
                                  "--progress-every", "50", "--quiet"},
                                 in_child);
    }

    // Every write failed with `cause`, the search still ran all its passes, and the folder holds
    // its old files unchanged and nothing else.
    void expect_writes_failed(const fs::path& folder, const test::RunResult& r, const std::string& cause,
                              const std::vector<std::string>& other_files = {}) {
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("\nsteps=120 depth="), std::string::npos) << r.out;
        const std::vector<std::string> expected = {
            "Nemohu zapsat vysledny soubor: 'res_50.txt' (" + cause + ")",
            "Nemohu zapsat vysledny soubor: 'res_100.txt' (" + cause + ")",
            "Nemohu zapsat vysledny soubor: 'tuton.txt' (" + cause + ")",
        };
        EXPECT_EQ(test::messages(r.err), expected);
        EXPECT_EQ(read_file(folder / "tuton.txt"), "1 10 21 1\n");
        EXPECT_EQ(read_file(folder / "res_50.txt"), "2 10 21 1\n");
        std::vector<std::string> files = {"res_50.txt", "tuton.txt", "zdroj.txt"};
        files.insert(files.end(), other_files.begin(), other_files.end());
        std::sort(files.begin(), files.end());
        EXPECT_EQ(file_names(folder), files) << "no new file, no temporary file left";
    }

    test::ScratchDir dir;
};

TEST_F(WriteFaultsTest, WorkingDirectoryWithoutWritePermission) {
    const bool root_like = test::ignores_permissions();
    if (root_like && !test::can_drop_permission_override())
        GTEST_SKIP() << "runs with the power to ignore permissions and cannot give it up";
    const fs::path folder = dir.path() / "locked";
    prepare(folder);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const test::RunResult r = search_in(folder, [root_like] {
        if (root_like && !test::drop_permission_override()) _exit(126);
    });
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
    expect_writes_failed(folder, r, "Permission denied");
}

TEST_F(WriteFaultsTest, WorkingDirectoryOnAReadOnlyFileSystem) {
    const fs::path folder = dir.path() / "readonly";
    SmallFileSystem small(folder);
    if (!small.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here: " << small.why();
    prepare(folder);
    ASSERT_TRUE(small.make_read_only()) << std::strerror(errno);
    expect_writes_failed(folder, search_in(folder), "Read-only file system");
}

// Fails for root too: nothing can be made in a folder that has been removed.
TEST_F(WriteFaultsTest, WorkingDirectoryRemovedUnderTheSearch) {
    const fs::path folder = dir.path() / "removed";
    prepare(folder);
    fs::current_path(folder);
    StopAtPassPanel panel;
    panel.stop_at = 120;
    panel.set_text(Control::Edit10, "10");
    panel.set_text(Control::Edit11, "21");
    Solver solver(panel);
    solver.FormCreate();
    solver.set_progress_every(50);
    fs::remove_all(folder);
    testing::internal::CaptureStderr();
    EXPECT_EQ(solver.Button1Click(), ClickResult::SearchEnded);
    const std::string err = testing::internal::GetCapturedStderr();
    fs::current_path(dir.path());
    EXPECT_EQ(solver.state().step_count, 120);
    const std::vector<std::string> expected = {
        "Nemohu zapsat vysledny soubor: 'res_50.txt' (No such file or directory)",
        "Nemohu zapsat vysledny soubor: 'res_100.txt' (No such file or directory)",
        "Nemohu zapsat vysledny soubor: 'tuton.txt' (No such file or directory)",
    };
    EXPECT_EQ(test::messages(err), expected);
}

TEST_F(WriteFaultsTest, FullFileSystem) {
    const fs::path folder = dir.path() / "full";
    SmallFileSystem small(folder);
    if (!small.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here: " << small.why();
    prepare(folder);
    small.fill();
    expect_writes_failed(folder, search_in(folder), "No space left on device", {"filler"});
}

// Where no small file system can be mounted, a file size limit makes every write fail as a
// full disk would, after the start of the file.
TEST_F(WriteFaultsTest, FileSizeLimitReached) {
    const fs::path folder = dir.path() / "limited";
    prepare(folder);
    const test::RunResult r = search_in(folder, [] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{8, 8};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
    });
    expect_writes_failed(folder, r, "File too large");
}

TEST_F(WriteFaultsTest, WorkingDirectoryThatCannotBeEntered) {
    write_file("tuton.txt", "kept\n");
    test::RunResult r = test::run_tessera({"search", "-C", "no-such-folder"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "cannot use 'no-such-folder' as the working directory (No such file or directory)\n");
    r = test::run_tessera({"search", "-C", "tuton.txt"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "cannot use 'tuton.txt' as the working directory (Not a directory)\n");
    EXPECT_EQ(read_file("tuton.txt"), "kept\n");
}

}  // namespace
}  // namespace tessera

// Output files: written whole or not at all; a refusal names the file and the reason.
#include "output_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>

namespace specest {
namespace {

namespace fs = std::filesystem;

std::set<std::string> names_in(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

struct Refusal {
    const char* what;
    std::function<fs::path(const fs::path&)> target; // makes the obstacle, returns the path
    const char* reason;
};

TEST(OutputFile, RefusalsNameTheFileAndTheReasonAndLeaveNothingBehind) {
    const Refusal rows[] = {
        {"missing folder", [](const fs::path& d) { return d / "none" / "s.csv"; },
         "No such file or directory"},
        {"directory",
         [](const fs::path& d) {
             fs::create_directory(d / "sub");
             return d / "sub";
         },
         "Is a directory"},
        {"folder that is a file",
         [](const fs::path& d) {
             test::write_text(d / "plain", "x");
             return d / "plain" / "s.csv";
         },
         "Not a directory"},
        {"FIFO",
         [](const fs::path& d) {
             ::mkfifo((d / "fifo").c_str(), 0600);
             return d / "fifo";
         },
         "not a regular file"},
        {"device", [](const fs::path&) { return fs::path("/dev/full"); }, "not a regular file"},
        {"no file name", [](const fs::path& d) { return fs::path(d.string() + "/"); },
         "not a file name"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        test::TempDir dir;
        const fs::path target = row.target(dir.path());
        const auto before = names_in(dir.path());
        const std::string error = cli::write_file_atomically(target.string(), "frequency,dB\n");
        EXPECT_NE(error.find("cannot write " + target.string() + ": "), std::string::npos) << error;
        EXPECT_NE(error.find(row.reason), std::string::npos) << error;
        EXPECT_EQ(names_in(dir.path()), before);
    }
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST(OutputFile, AFailedWriteKeepsThePreviousFile) {
    test::TempDir dir;
    const fs::path target = dir / "s.json";
    test::write_text(target, "previous result\n");

    // A file-size limit makes the temporary file's write fail (EFBIG) part way.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4096;
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string error = cli::write_file_atomically(target.string(), std::string(100000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, old_handler);

    EXPECT_EQ(error, "cannot write " + target.string() + ": " + std::strerror(EFBIG));
    EXPECT_EQ(test::read_text(target), "previous result\n");
    EXPECT_EQ(names_in(dir.path()), std::set<std::string>{"s.json"});
}

TEST(OutputFile, ReplacesAFileOrASymlinkWithoutFollowingIt) {
    test::TempDir dir;
    test::write_text(dir / "victim.txt", "victim\n");
    fs::create_symlink(dir / "victim.txt", dir / "a.csv");
    fs::create_symlink("/dev/full", dir / "b.csv");
    test::write_text(dir / "c.csv", "old\n");
    fs::permissions(dir / "c.csv",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    for (const char* name : {"a.csv", "b.csv", "c.csv"}) {
        SCOPED_TRACE(name);
        const fs::path target = dir / name;
        EXPECT_EQ(cli::write_file_atomically(target.string(), "new\n"), "");
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(target)));
        EXPECT_EQ(test::read_text(target), "new\n");
    }
    EXPECT_EQ(test::read_text(dir / "victim.txt"), "victim\n");
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
    // An existing file keeps its permissions.
    EXPECT_EQ(fs::status(dir / "c.csv").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(names_in(dir.path()),
              (std::set<std::string>{"victim.txt", "a.csv", "b.csv", "c.csv"}));
}

} // namespace
} // namespace specest

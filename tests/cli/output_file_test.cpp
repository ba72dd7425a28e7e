// Output files: written whole or not at all; a refusal names the file and the reason.
#include "output_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <pthread.h>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Temporaries carry the writer's PID; a dead writer's are removed when a writer first comes to
// the folder, a running one's are left alone, and anything else of that shape too.
TEST(OutputFile, StaleTemporariesOfDeadWritersAreRemovedLiveOnesKept) {
    test::TempDir dir;
    const pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ASSERT_GT(dead, 0);
    ::waitpid(dead, nullptr, 0);
    const std::string dead_tmp = ".s.csv.tmp" + std::to_string(dead) + "-0";
    const std::string old_report = "~Lumetra.out.tmp" + std::to_string(dead) + "-7";
    const std::string live_tmp = ".s.csv.tmp" + std::to_string(::getppid()) + "-0";
    for (const std::string& n : {dead_tmp, old_report, live_tmp, std::string(".s.csv.tmpx-1")})
        test::write_text(dir / n, "partial");
    output::AtomicFile f;
    ASSERT_TRUE(f.open((dir / "s.csv").string())) << f.error();
    // Its own temporary: in the target's folder, named with this process.
    EXPECT_EQ(fs::path(f.temporary_path()).parent_path(), dir.path());
    EXPECT_NE(f.temporary_path().find(".s.csv.tmp" + std::to_string(::getpid()) + "-"),
              std::string::npos);
    ASSERT_TRUE(f.write("x\n"));
    ASSERT_TRUE(f.commit());
    EXPECT_EQ(names_in(dir.path()), (std::set<std::string>{"s.csv", live_tmp, ".s.csv.tmpx-1"}));
    long pid = 0;
    EXPECT_TRUE(output::is_temporary_name(dead_tmp, &pid));
    EXPECT_EQ(pid, static_cast<long>(dead));
    EXPECT_FALSE(output::is_temporary_name("s.csv"));
    EXPECT_FALSE(output::is_temporary_name(".s.csv.tmp-1"));
}

// Over the file-size limit with SIGXFSZ at its default (ending the process), the writer's
// thread still gets EFBIG, and the signal's disposition and the thread's mask are as before.
TEST(OutputFile, FileSizeLimitIsAnErrorNotTheEndOfTheProcess) {
    test::TempDir dir;
    const fs::path target = dir / "big.csv";
    test::write_text(target, "previous\n");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit small{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &small);
        const std::string error =
            output::write_file_atomically(target.string(), std::string(100000, 'x'));
        sigset_t mask;
        pthread_sigmask(SIG_SETMASK, nullptr, &mask);
        struct sigaction now {};
        sigaction(SIGXFSZ, nullptr, &now);
        const bool ok = error == "cannot write " + target.string() + ": " + std::strerror(EFBIG) &&
                        !sigismember(&mask, SIGXFSZ) && now.sa_handler == SIG_DFL;
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(test::read_text(target), "previous\n");
    EXPECT_EQ(names_in(dir.path()), std::set<std::string>{"big.csv"});
}

TEST(OutputFile, OutputsNamedTwiceOrNamingAnInputAreRefused) {
    test::TempDir dir;
    test::write_text(dir / "data.txt", "1 2\n");
    fs::create_symlink(dir / "data.txt", dir / "link.txt");
    const std::string d = dir.path().string();
    struct Row {
        std::vector<std::pair<std::string, std::string>> outputs;
        const char* expect; // "" when allowed
    } rows[] = {
        {{{"--csv", d + "/a.csv"}, {"--json", d + "/a.json"}}, ""},
        {{{"--csv", d + "/a.csv"}, {"--json", d + "/./a.csv"}}, "--csv and --json name the same"},
        {{{"--csv", d + "/data.txt"}}, "is an input of the run"},
        {{{"--png", d + "/link.txt"}}, "is an input of the run"},
        {{{"--csv", ""}, {"--json", ""}}, ""},
    };
    for (const auto& row : rows) {
        const std::string why = output::check_outputs(row.outputs, {d + "/data.txt"});
        if (std::string(row.expect).empty())
            EXPECT_EQ(why, "");
        else
            EXPECT_NE(why.find(row.expect), std::string::npos) << why;
    }
}

} // namespace
} // namespace specest

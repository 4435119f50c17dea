// Hostile inputs and a hostile machine: FIFOs written late, file names with control characters,
// the input limit, and threads the system refuses.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <optional>
#include <thread>

#include "cli_test_support.h"
#include "model/thread_start.h"

namespace quorvane::cli::test {
namespace {

// Lifts the limit of LimitThreadStartsForTesting when the test ends, whatever happens in it.
struct ThreadStartLimit {
    explicit ThreadStartLimit(int allowed) { LimitThreadStartsForTesting(allowed); }
    ~ThreadStartLimit() { LimitThreadStartsForTesting(-1); }
    ThreadStartLimit(const ThreadStartLimit&) = delete;
    ThreadStartLimit& operator=(const ThreadStartLimit&) = delete;
};

TEST(CliThreads, RefusedThreadsLeaveTheWorkToFewerThreadsInOrder) {
    for (const int allowed : {0, 1, 2}) {
        ThreadStartLimit limit(allowed);
        constexpr std::size_t kCount = 60;
        std::vector<int> worked(kCount, 0);
        std::vector<std::size_t> emitted;
        std::mutex mutex;
        std::vector<std::thread::id> workers;
        ForEachInOrder(
            kCount, 4,
            [&](std::size_t i) {
                worked[i] += 1;
                std::lock_guard lock(mutex);
                if (std::find(workers.begin(), workers.end(), std::this_thread::get_id()) == workers.end()) {
                    workers.push_back(std::this_thread::get_id());
                }
            },
            [&](std::size_t i) {
                EXPECT_EQ(worked[i], 1) << i;
                emitted.push_back(i);
            },
            [](std::size_t i) { return i % 10 == 3; });  // some items want threads of their own
        ASSERT_EQ(emitted.size(), kCount) << "allowed=" << allowed;
        for (std::size_t i = 0; i < kCount; ++i) {
            EXPECT_EQ(emitted[i], i);
        }
        // No more threads worked than the system allowed besides the calling one, and with none
        // the calling thread did it all.
        EXPECT_LE(workers.size(), static_cast<std::size_t>(allowed) + 1) << "allowed=" << allowed;
        if (allowed == 0) {
            EXPECT_EQ(workers, std::vector<std::thread::id>{std::this_thread::get_id()});
        }
    }
}

TEST(CliThreads, AnItemOnItsOwnThreadHoldsUpNoOtherWork) {
    // Item 0 waits for the work of item 3; with one job the others must be worked meanwhile.
    std::mutex mutex;
    std::condition_variable cv;
    bool lastDone = false;
    bool released = false;
    std::vector<std::size_t> emitted;
    ForEachInOrder(
        4, 1,
        [&](std::size_t i) {
            std::unique_lock lock(mutex);
            if (i == 0) {
                released = cv.wait_for(lock, std::chrono::seconds(20), [&] { return lastDone; });
            } else if (i == 3) {
                lastDone = true;
                cv.notify_all();
            }
        },
        [&](std::size_t i) { emitted.push_back(i); }, [](std::size_t i) { return i == 0; });
    EXPECT_TRUE(released) << "the blocked item held up the others";
    EXPECT_EQ(emitted, (std::vector<std::size_t>{0, 1, 2, 3}));
}

TEST(CliThreads, AValidFileIsNotRefusedWhenItsReadingThreadIsRefused) {
    // A file past the two-thread threshold, read with every thread start refused.
    const fs::path folder = ScratchFolder();
    std::string text = "OFF\n200000 1\n";
    for (int k = 0; k < 200000; ++k) {
        text += "1.000000 2.000000 3.000000\n";
    }
    WriteBytes(folder / "big.off", text + "3 0 1 2\n");
    ThreadStartLimit limit(0);
    CheckOptions options;
    options.files = {(folder / "big.off").string(), TestModel("cube.off"), TestModel("teapot.off")};
    options.jobs = 3;
    const RunResult result = RunCommand(RunCheck, options);
    EXPECT_EQ(result.status, kExitOk) << result.out;
    EXPECT_EQ(result.out, "3 files checked, 0 refused\n");
}

TEST(CliStreams, AFifoWrittenLateHoldsUpNoOtherFile) {
    std::signal(SIGPIPE, SIG_IGN);
    const fs::path folder = ScratchFolder();
    const fs::path cube = folder / "cube.off";
    const fs::path fifo = folder / "late.off";
    WriteBytes(cube, ReadBytes(TestModel("cube.off")));
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // The FIFO is written only once the regular file after it has been read and closed.
    const int watch = ::inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, cube.c_str(), IN_CLOSE_NOWRITE), 0);
    bool cubeReadFirst = false;
    std::thread writer([&] {
        pollfd wait{watch, POLLIN, 0};
        cubeReadFirst = ::poll(&wait, 1, 20000) == 1;
        WriteBytes(fifo, ReadBytes(TestModel("teapot.off")));
    });
    InfoOptions options;
    options.files = {fifo.string(), cube.string()};
    options.jobs = 1;
    options.json = true;
    const RunResult result = RunCommand(RunInfo, options);
    writer.join();
    ::close(watch);
    EXPECT_TRUE(cubeReadFirst) << "the regular file waited for the FIFO";
    ASSERT_EQ(result.status, kExitOk) << result.err;
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 2u) << result.out;
    // In the order given.
    EXPECT_NE(lines[0].find("late.off\",\"vertices\":792,"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("cube.off\",\"vertices\":8,"), std::string::npos) << lines[1];
}

TEST(CliNames, FileNamesAreEscapedInTextOutput) {
    const fs::path folder = ScratchFolder();
    const std::string name = "bad\nname\x1b[2J.off";
    const std::string shown = (folder.string() + "/bad\\nname\\x1b[2J.off");
    WriteBytes(folder / name, "PLY\n");
    WriteBytes(folder / "ok\t.off", ReadBytes(TestModel("cube.off")));
    const std::string ok = (folder / "ok\t.off").string();

    CheckOptions check;
    check.files = {(folder / name).string(), ok};
    check.load.repair = true;
    RunResult result = RunCommand(RunCheck, check);
    EXPECT_EQ(result.status, kExitRefused);
    std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 3u) << result.out;
    EXPECT_EQ(lines[0], shown + ":1: expected an OFF keyword on the first line, found \"PLY\"");
    EXPECT_EQ(lines[1], folder.string() + "/ok\\t.off: strict");

    InfoOptions info;
    info.files = {(folder / name).string(), ok};
    result = RunCommand(RunInfo, info);
    EXPECT_EQ(result.err, shown + ":1: expected \"OFF\" alone on the first line, found \"PLY\"\n");
    EXPECT_EQ(result.out.rfind(folder.string() + "/ok\\t.off\n", 0), 0u) << result.out;
    for (const std::string& text : {result.out, result.err}) {
        EXPECT_EQ(text.find('\x1b'), std::string::npos);
        EXPECT_EQ(text.find('\t'), std::string::npos);
    }
}

TEST(CliLimit, LargerInputsAreRefusedWithTheLimitAndStatusOne) {
    InfoOptions options;
    options.files = {TestModel("teapot.off"), TestModel("cube.off")};
    options.load.maxBytes = 1024;
    const RunResult result = RunCommand(RunInfo, options);
    EXPECT_EQ(result.status, kExitRefused);
    EXPECT_EQ(result.err, TestModel("teapot.off") +
                              ": the file is larger than the input limit of 1.0 KiB (1024 bytes)\n");
    EXPECT_NE(result.out.find("Number of Vertices:        8"), std::string::npos) << result.out;
}

TEST(CliLimit, TheBinaryTakesMaxBytesAndRefusesDevZeroAtOnce) {
    RunResult result = RunBinary("info --max-bytes 1K '" + TestModel("teapot.off") + "'");
    EXPECT_EQ(result.status, kExitRefused);
    EXPECT_NE(result.out.find("the file is larger than the input limit of 1.0 KiB (1024 bytes)"),
              std::string::npos)
        << result.out;
    result = RunBinary("info --max-bytes 12Q '" + TestModel("teapot.off") + "'");
    EXPECT_EQ(result.status, kExitUsage) << result.out;
    EXPECT_NE(result.out.find("is not a byte count"), std::string::npos) << result.out;
    for (const char* mode : {"", "--repair "}) {
        result = RunBinary(std::string("check ") + mode + "/dev/zero");
        EXPECT_EQ(result.status, kExitRefused) << result.out;
        EXPECT_EQ(result.out.rfind("/dev/zero:1: expected ", 0), 0u) << result.out;
    }
}

// Runs `program` as the user nobody allowed one process (itself), so that the system refuses
// every thread it starts; nullopt where this process may not change its user (not root).
std::optional<RunResult> RunWithoutThreads(const std::string& program,
                                           const std::vector<std::string>& arguments) {
    if (::geteuid() != 0) {
        return std::nullopt;
    }
    int out[2];
    if (::pipe(out) != 0) {
        return std::nullopt;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    // The leak checker of sanitizer builds needs a thread of its own at exit.
    char noLeakCheck[] = "ASAN_OPTIONS=detect_leaks=0";
    char* envp[] = {noLeakCheck, nullptr};
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], 1);
        ::dup2(out[1], 2);
        ::close(out[0]);
        const rlimit one{1, 1};
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0 ||
            ::setrlimit(RLIMIT_NPROC, &one) != 0) {
            ::_exit(125);
        }
        ::execve(program.c_str(), argv.data(), envp);
        ::_exit(126);
    }
    ::close(out[1]);
    RunResult result;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) {
        result.out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (result.status == 125) {
        return std::nullopt;
    }
    return result;
}

std::optional<RunResult> RunBinaryWithoutThreads(const std::vector<std::string>& arguments) {
    return RunWithoutThreads(quorvane::testing::ProgramFolder() + "/quorvane-cli", arguments);
}

TEST(CliThreads, UnderARealProcessLimitEveryFileIsStillJudged) {
    // Files the user nobody can read, one past the two-thread threshold.
    const fs::path folder = ScratchFolder();
    std::string text = "OFF\n200000 1\n";
    for (int k = 0; k < 200000; ++k) {
        text += "1.000000 2.000000 3.000000\n";
    }
    WriteBytes(folder / "big.off", text + "3 0 1 2\n");
    WriteBytes(folder / "bad.off", "PLY\n");
    fs::permissions(folder, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    const std::string big = (folder / "big.off").string(), bad = (folder / "bad.off").string();

    const std::optional<RunResult> check = RunBinaryWithoutThreads(
        {"check", "-j", "1024", big, TestModel("cube.off"), bad, TestModel("teapot.off")});
    if (!check) {
        GTEST_SKIP() << "needs root to run the tool as another user under a process limit";
    }
    EXPECT_EQ(check->status, kExitRefused) << check->out;
    EXPECT_EQ(check->out, bad + ":1: expected \"OFF\" alone on the first line, found \"PLY\"\n" +
                              "4 files checked, 1 refused\n");
    // One file alone: the reader's second thread is refused, the file is still valid.
    const std::optional<RunResult> info = RunBinaryWithoutThreads({"info", "--json", big});
    ASSERT_TRUE(info);
    EXPECT_EQ(info->status, kExitOk) << info->out;
    EXPECT_NE(info->out.find("\"vertices\":200000,\"polygons\":1,"), std::string::npos) << info->out;
    // And the limit is real: a shell under it cannot start a process.
    const std::optional<RunResult> probe =
        RunWithoutThreads("/bin/sh", {"-c", "/bin/true & wait $!; echo started"});
    ASSERT_TRUE(probe);
    EXPECT_NE(probe->status, 0) << probe->out;
    EXPECT_EQ(probe->out.find("started"), std::string::npos) << probe->out;
}

}  // namespace
}  // namespace quorvane::cli::test

// Saving a file: through links, over hard links, devices and pipes, into folders that refuse it,
// onto full disks and under a terminating signal. Each case leaves the target with its old
// content or the new one, never half written, and keeps the links as they were.
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "model/file_io.h"
#include "model/save_signals.h"
#include "support/child_process.h"
#include "support/documents.h"
#include "support/test_files.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;
using testing::ChildResult;
using testing::FolderEntries;
using testing::InChild;
using testing::Lines;
using testing::ReadBytes;
using testing::Unprivileged;
using testing::WriteBytes;

const std::string kOld = "old contents\n";

// New content larger than a page, so that half of it is a real partial write.
std::string NewContent(std::size_t size = 20000) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>('a' + i % 26);
    }
    return bytes;
}

struct stat StatusOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info;
}

// The umask of this process, read without changing it.
mode_t CurrentUmask() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Umask:", 0) == 0) {
            return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
        }
    }
    ADD_FAILURE() << "no Umask line in /proc/self/status";
    return 022;
}

// The reason of a save that failed, or "saved".
std::string SaveReason(const fs::path& path, const std::string& bytes) {
    std::string error;
    return WriteFileAtomically(path.string(), bytes, &error) ? "saved" : error;
}

class FileWriteTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ =
            fs::temp_directory_path() / ("quorvane-write-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        // Others may pass through, so that a child without privileges reaches the files.
        ::chmod(folder_.c_str(), 0755);
    }
    void TearDown() override {
        SetSaveHookForTesting(nullptr);
        ::chmod(folder_.c_str(), 0755);
        fs::remove_all(folder_);
    }
    fs::path folder_;
};

// ---- Symbolic links ----

TEST_F(FileWriteTest, LinkWritesItsTargetAndStaysALink) {
    fs::create_directories(folder_ / "real");
    WriteBytes(folder_ / "real" / "model.off", kOld);
    ::chmod((folder_ / "real" / "model.off").c_str(), 0640);
    fs::create_symlink("real/model.off", folder_ / "link.off");  // relative to the link's folder
    const std::string bytes = NewContent();
    ASSERT_EQ(SaveReason(folder_ / "link.off", bytes), "saved");
    EXPECT_TRUE(fs::is_symlink(folder_ / "link.off"));
    EXPECT_EQ(fs::read_symlink(folder_ / "link.off"), "real/model.off");
    EXPECT_EQ(ReadBytes((folder_ / "real" / "model.off").string()), bytes);
    EXPECT_EQ(StatusOf(folder_ / "real" / "model.off").st_mode & 07777, 0640u);
    EXPECT_EQ(FolderEntries(folder_ / "real"), std::vector<std::string>{"model.off"});
    EXPECT_EQ(FolderEntries(folder_), (std::vector<std::string>{"link.off", "real"}));
}

TEST_F(FileWriteTest, ChainOfRelativeAndAbsoluteLinksReachesTheLastTarget) {
    fs::create_directories(folder_ / "a" / "b");
    WriteBytes(folder_ / "a" / "b" / "end.off", kOld);
    // first -> a/second (relative), a/second -> /abs/a/b/third, a/b/third -> end.off (relative)
    fs::create_symlink("a/second", folder_ / "first");
    fs::create_symlink(folder_ / "a" / "b" / "third", folder_ / "a" / "second");
    fs::create_symlink("end.off", folder_ / "a" / "b" / "third");
    ASSERT_EQ(SaveReason(folder_ / "first", "new"), "saved");
    EXPECT_EQ(ReadBytes((folder_ / "a" / "b" / "end.off").string()), "new");
    for (const fs::path& link :
         {folder_ / "first", folder_ / "a" / "second", folder_ / "a" / "b" / "third"}) {
        EXPECT_TRUE(fs::is_symlink(link)) << link;
    }
    EXPECT_EQ(FolderEntries(folder_ / "a" / "b"), (std::vector<std::string>{"end.off", "third"}));
}

TEST_F(FileWriteTest, DanglingLinkCreatesItsTarget) {
    fs::create_directories(folder_ / "out");
    fs::create_symlink("out/made.off", folder_ / "link.off");
    ASSERT_EQ(SaveReason(folder_ / "link.off", "new"), "saved");
    EXPECT_TRUE(fs::is_symlink(folder_ / "link.off"));
    EXPECT_EQ(ReadBytes((folder_ / "out" / "made.off").string()), "new");
    EXPECT_EQ(StatusOf(folder_ / "out" / "made.off").st_mode & 07777, 0666u & ~CurrentUmask());
}

TEST_F(FileWriteTest, LinkIntoAMissingFolderOrALoopIsRefusedNamingIt) {
    fs::create_symlink("missing/made.off", folder_ / "nowhere.off");
    const std::string missing = SaveReason(folder_ / "nowhere.off", "new");
    EXPECT_NE(missing.find("the link's target " + (folder_ / "missing/made.off").string()), std::string::npos)
        << missing;
    EXPECT_NE(missing.find("No such file or directory"), std::string::npos) << missing;

    fs::create_symlink("b.off", folder_ / "a.off");
    fs::create_symlink("a.off", folder_ / "b.off");
    const std::string loop = SaveReason(folder_ / "a.off", "new");
    EXPECT_NE(loop.find((folder_ / "a.off").string()), std::string::npos) << loop;
    EXPECT_NE(loop.find("Too many levels of symbolic links"), std::string::npos) << loop;
    EXPECT_EQ(FolderEntries(folder_), (std::vector<std::string>{"a.off", "b.off", "nowhere.off"}));
    EXPECT_TRUE(fs::is_symlink(folder_ / "a.off"));
}

TEST_F(FileWriteTest, NamesInReasonsAreEscapedSoATerminalObeysNoneOfTheirBytes) {
    // A link whose target lies in a missing folder with a line break and an escape code in its name.
    fs::create_symlink("bad\n\x1b[2Jname/made.off", folder_ / "odd.off");
    const std::string reason = SaveReason(folder_ / "odd.off", "new");
    EXPECT_NE(reason.find("bad\\n\\x1b[2Jname/made.off"), std::string::npos) << reason;
    EXPECT_EQ(reason.find('\n'), std::string::npos) << reason;
    EXPECT_EQ(reason.find('\x1b'), std::string::npos) << reason;
}

// ---- Hard links ----

TEST_F(FileWriteTest, HardLinkedFileIsRewrittenInPlaceForEveryName) {
    WriteBytes(folder_ / "model.off", kOld);
    ::chmod((folder_ / "model.off").c_str(), 0604);
    fs::create_directories(folder_ / "other");
    fs::create_hard_link(folder_ / "model.off", folder_ / "other" / "alias.off");
    const ino_t inode = StatusOf(folder_ / "model.off").st_ino;
    for (const std::string& bytes : {NewContent(), std::string("short")}) {  // grows, then shrinks
        ASSERT_EQ(SaveReason(folder_ / "model.off", bytes), "saved");
        EXPECT_EQ(ReadBytes((folder_ / "other" / "alias.off").string()), bytes);
        const struct stat info = StatusOf(folder_ / "model.off");
        EXPECT_EQ(info.st_ino, inode);
        EXPECT_EQ(info.st_nlink, 2u);
        EXPECT_EQ(info.st_mode & 07777, 0604u);
        // The copy of the new content is gone again.
        EXPECT_EQ(FolderEntries(folder_), (std::vector<std::string>{"model.off", "other"}));
    }
}

// The number of times the fault hook has run, and at which run it starts failing.
std::atomic<int> g_hookRuns{0};
int g_failFromRun = 0;

// Fails every in-place stage from the g_failFromRun-th on with an input/output error.
int FailInPlace(SaveStage stage) {
    if (stage != SaveStage::kInPlacePartlyWritten && stage != SaveStage::kRestorePartlyWritten) {
        return 0;
    }
    return ++g_hookRuns >= g_failFromRun ? EIO : 0;
}

TEST_F(FileWriteTest, FailedInPlaceRewritePutsTheOldContentBack) {
    WriteBytes(folder_ / "model.off", kOld);
    fs::create_hard_link(folder_ / "model.off", folder_ / "alias.off");
    // The rewrite fails halfway; the restore may go through.
    SetSaveHookForTesting(
        [](SaveStage stage) { return stage == SaveStage::kInPlacePartlyWritten ? EIO : 0; });
    const std::string reason = SaveReason(folder_ / "model.off", NewContent());
    EXPECT_EQ(reason, "Input/output error");
    EXPECT_EQ(ReadBytes((folder_ / "alias.off").string()), kOld);
    EXPECT_EQ(StatusOf(folder_ / "model.off").st_nlink, 2u);
    EXPECT_EQ(FolderEntries(folder_), (std::vector<std::string>{"alias.off", "model.off"}));
}

TEST_F(FileWriteTest, InPlaceRewriteThatCannotBeUndoneKeepsTheNewContentBeside) {
    WriteBytes(folder_ / "model.off", kOld);
    fs::create_hard_link(folder_ / "model.off", folder_ / "alias.off");
    g_hookRuns = 0;
    g_failFromRun = 1;  // the rewrite and the restore both fail halfway
    SetSaveHookForTesting(FailInPlace);
    const std::string bytes = NewContent();
    const std::string reason = SaveReason(folder_ / "model.off", bytes);
    EXPECT_EQ(
        reason.rfind("Input/output error; the file is left partly written, and its new content is kept in " +
                         folder_.string() + "/.quorvane-",
                     0),
        0u)
        << reason;
    const std::vector<std::string> entries = FolderEntries(folder_);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(ReadBytes((folder_ / entries[0]).string()), bytes);  // the hidden copy sorts first
    EXPECT_NE(reason.find(entries[0]), std::string::npos);
    EXPECT_EQ(StatusOf(folder_ / "model.off").st_nlink, 2u);
}

// ---- Devices and pipes ----

TEST_F(FileWriteTest, DevicesAreWrittenDirectlyAndStayDevices) {
    ASSERT_TRUE(fs::is_character_file("/dev/null"));
    fs::create_symlink("/dev/null", folder_ / "null.off");
    for (const fs::path& path : {fs::path("/dev/null"), folder_ / "null.off"}) {
        EXPECT_EQ(SaveReason(path, NewContent()), "saved") << path;
        EXPECT_TRUE(fs::is_character_file("/dev/null"));
    }
    EXPECT_TRUE(fs::is_symlink(folder_ / "null.off"));

    if (fs::is_character_file("/dev/full")) {
        EXPECT_EQ(SaveReason("/dev/full", NewContent()), "No space left on device");
        EXPECT_TRUE(fs::is_character_file("/dev/full"));
    }
    // Nothing was made beside the devices.
    for (const auto& entry : fs::directory_iterator("/dev")) {
        EXPECT_EQ(entry.path().filename().string().rfind(".quorvane-", 0), std::string::npos) << entry.path();
    }
}

TEST_F(FileWriteTest, NamedPipeIsWrittenToItsReaderAndStaysAPipe) {
    const fs::path pipe = folder_ / "pipe.off";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string bytes = NewContent(300000);  // more than a pipe holds at once
    std::string received;
    std::thread reader([&] { received = ReadBytes(pipe.string()); });
    const std::string reason = SaveReason(pipe, bytes);
    reader.join();
    EXPECT_EQ(reason, "saved");
    EXPECT_EQ(received, bytes);
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>{"pipe.off"});
}

TEST_F(FileWriteTest, PipeWhoseReaderLeavesIsAnErrorNotTheEndOfTheProcess) {
    const fs::path pipe = folder_ / "pipe.off";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::thread reader([&] {
        const int fd = ::open(pipe.c_str(), O_RDONLY);
        char some[100];
        EXPECT_GT(::read(fd, some, sizeof some), 0);
        ::close(fd);
    });
    const std::string reason = SaveReason(pipe, NewContent(1 << 20));
    reader.join();
    EXPECT_EQ(reason, "Broken pipe");
    EXPECT_TRUE(fs::is_fifo(pipe));
    // No SIGPIPE is left waiting for this thread either.
    sigset_t pending;
    ASSERT_EQ(::sigpending(&pending), 0);
    EXPECT_EQ(sigismember(&pending, SIGPIPE), 0);
}

// ---- Folders and files that refuse the save ----

TEST_F(FileWriteTest, FolderAndParentThatIsAFileAreRefused) {
    EXPECT_EQ(SaveReason(folder_, "new"), "Is a directory");
    WriteBytes(folder_ / "plain.off", kOld);
    EXPECT_EQ(SaveReason(folder_ / "plain.off" / "inside.off", "new"), "Not a directory");
    EXPECT_EQ(ReadBytes((folder_ / "plain.off").string()), kOld);
    EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>{"plain.off"});
}

// Makes `folder` unwritable for an unprivileged child and `file` in it writable for that child.
void LockFolderAroundWritableFile(const fs::path& folder, const fs::path& file) {
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);  // root's, closed to nobody
    } else {
        ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    }
}

TEST_F(FileWriteTest, UnwritableFolderRefusesNamingItAndKeepsTheOldFile) {
    fs::create_directories(folder_ / "locked");
    const fs::path plain = folder_ / "locked" / "plain.off";
    const fs::path linked = folder_ / "locked" / "linked.off";
    WriteBytes(plain, kOld);
    WriteBytes(linked, kOld);
    fs::create_hard_link(linked, folder_ / "locked" / "alias.off");
    fs::create_symlink(plain, folder_ / "link.off");
    LockFolderAroundWritableFile(folder_ / "locked", plain);
    LockFolderAroundWritableFile(folder_ / "locked", linked);
    const std::string denied = "cannot create a file in " + (folder_ / "locked").string();
    const ChildResult child = Unprivileged([&] {
        return SaveReason(plain, NewContent()) + "\n" + SaveReason(linked, NewContent()) + "\n" +
               SaveReason(folder_ / "link.off", NewContent());
    });
    ASSERT_TRUE(child.Exited()) << child.status;
    const std::vector<std::string> reasons = Lines(child.text);
    ASSERT_EQ(reasons.size(), 3u) << child.text;
    EXPECT_EQ(reasons[0], denied + ": Permission denied");
    EXPECT_EQ(reasons[1], denied + " (for a copy of the new content): Permission denied");
    EXPECT_EQ(reasons[2], "the link's target " + plain.string() + ": " + denied + ": Permission denied");
    EXPECT_EQ(ReadBytes(plain.string()), kOld);
    EXPECT_EQ(ReadBytes(linked.string()), kOld);
    EXPECT_EQ(StatusOf(linked).st_nlink, 2u);
    EXPECT_TRUE(fs::is_symlink(folder_ / "link.off"));
    EXPECT_EQ(FolderEntries(folder_ / "locked"),
              (std::vector<std::string>{"alias.off", "linked.off", "plain.off"}));
}

TEST_F(FileWriteTest, ReadOnlyFileIsNotReplacedBehindItsOwnersBack) {
    const fs::path path = folder_ / "kept.off";
    WriteBytes(path, kOld);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown(folder_.c_str(), 65534, 65534), 0);  // the folder would let nobody rename
    }
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    const ChildResult child = Unprivileged([&] { return SaveReason(path, "new"); });
    ASSERT_TRUE(child.Exited());
    EXPECT_EQ(child.text, "Permission denied");
    EXPECT_EQ(ReadBytes(path.string()), kOld);
    EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>{"kept.off"});
}

// ---- Full disks ----

// How the target is reached in a full-disk case.
enum class Reach { kPlain, kHardLinked, kSymbolicLink };

class FileWriteFullDisk : public FileWriteTest, public ::testing::WithParamInterface<Reach> {
  protected:
    // Makes the target as the case says; returns the path to save to.
    fs::path MakeTarget(const fs::path& folder) {
        WriteBytes(folder / "model.off", kOld);
        switch (GetParam()) {
            case Reach::kPlain:
                return folder / "model.off";
            case Reach::kHardLinked:
                fs::create_hard_link(folder / "model.off", folder / "alias.off");
                return folder / "model.off";
            case Reach::kSymbolicLink:
                fs::create_symlink("model.off", folder / "alias.off");
                return folder / "alias.off";
        }
        return {};
    }
    // The folder's entries as they must stay.
    std::vector<std::string> ExpectedEntries() const {
        return GetParam() == Reach::kPlain ? std::vector<std::string>{"model.off"}
                                           : std::vector<std::string>{"alias.off", "model.off"};
    }
    // Whether the folder holds the old file with its links as they were.
    std::string LinkStructure(const fs::path& folder) const {
        if (GetParam() == Reach::kHardLinked && StatusOf(folder / "model.off").st_nlink != 2) {
            return "hard link split";
        }
        if (GetParam() == Reach::kSymbolicLink && !fs::is_symlink(folder / "alias.off")) {
            return "symbolic link replaced";
        }
        return "kept";
    }
};

TEST_P(FileWriteFullDisk, FileSizeLimitRefusesAndKeepsTheOldFile) {
    const fs::path path = MakeTarget(folder_);
    const ChildResult child = InChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{8192, 8192};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        return SaveReason(path, NewContent());
    });
    ASSERT_TRUE(child.Exited());
    const std::string expected =
        GetParam() == Reach::kSymbolicLink
            ? "the link's target " + (folder_ / "model.off").string() + ": File too large"
            : "File too large";
    EXPECT_EQ(child.text, expected);
    EXPECT_EQ(ReadBytes((folder_ / "model.off").string()), kOld);
    EXPECT_EQ(LinkStructure(folder_), "kept");
    EXPECT_EQ(FolderEntries(folder_), ExpectedEntries());
}

bool g_inPlaceReached = false;

TEST_P(FileWriteFullDisk, FullFileSystemRefusesAndKeepsTheOldFile) {
    // A small file system of its own, in a mount namespace of the child alone.
    const fs::path mountPoint = folder_ / "small";
    fs::create_directories(mountPoint);
    const ChildResult child = InChild([&]() -> std::string {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=256k") != 0) {
            return "skip";
        }
        const fs::path path = MakeTarget(mountPoint);
        const std::string bytes = NewContent(64 * 1024);
        // Fill the disk, then free room for less than the new content; a hard-linked file gets
        // room for its copy but not for a second one, so that it must find the disk full after
        // making the copy and before rewriting.
        const int filler = ::open((mountPoint / "filler").c_str(), O_WRONLY | O_CREAT, 0600);
        const std::string block(4096, 'x');
        off_t filled = 0;
        while (::write(filler, block.data(), block.size()) == static_cast<ssize_t>(block.size())) {
            filled += static_cast<off_t>(block.size());
        }
        if (::ftruncate(filler, std::max<off_t>(
                                    0, filled - (GetParam() == Reach::kHardLinked ? 96 : 32) * 1024)) != 0) {
            return "cannot free room";
        }
        ::close(filler);
        g_inPlaceReached = false;
        SetSaveHookForTesting([](SaveStage stage) {
            g_inPlaceReached = g_inPlaceReached || stage == SaveStage::kInPlacePartlyWritten;
            return 0;
        });
        const std::string reason = SaveReason(path, bytes);
        if (g_inPlaceReached) {
            return std::string("the full disk was found while rewriting in place");
        }
        fs::remove(mountPoint / "filler");
        std::string entries;
        for (const std::string& name : FolderEntries(mountPoint)) {
            entries += name + " ";
        }
        return reason + "\n" + ReadBytes((mountPoint / "model.off").string()) + entries + "\n" +
               LinkStructure(mountPoint);
    });
    ASSERT_TRUE(child.Exited());
    if (child.text == "skip") {
        GTEST_SKIP() << "cannot mount a small file system here";
    }
    std::string entries;
    for (const std::string& name : ExpectedEntries()) {
        entries += name + " ";
    }
    const std::string reason =
        GetParam() == Reach::kSymbolicLink
            ? "the link's target " + (mountPoint / "model.off").string() + ": No space left on device"
            : "No space left on device";
    EXPECT_EQ(child.text, reason + "\n" + kOld + entries + "\nkept");
}

INSTANTIATE_TEST_SUITE_P(Reaches, FileWriteFullDisk,
                         ::testing::Values(Reach::kPlain, Reach::kHardLinked, Reach::kSymbolicLink),
                         [](const ::testing::TestParamInfo<Reach>& info) {
                             return info.param == Reach::kPlain        ? "Plain"
                                    : info.param == Reach::kHardLinked ? "HardLinked"
                                                                       : "SymbolicLink";
                         });

// ---- Signals ----

int g_readyFd = -1;     // the child tells the test it has stopped in the middle of a save
int g_continueFd = -1;  // the test tells the child to go on

// Stops the save at `g_stopAt`: reports it, then waits until the test lets it go on.
SaveStage g_stopAt = SaveStage::kTemporaryPartlyWritten;
int StopAndWait(SaveStage stage) {
    if (stage == g_stopAt) {
        char byte = 'x';
        if (::write(g_readyFd, &byte, 1) != 1 || ::read(g_continueFd, &byte, 1) < 0) {
            return EIO;
        }
    }
    return 0;
}

// Saves `path` in a child process with the handlers installed, sends `signal` when the save has
// stopped at `stage`, then lets the save go on.
ChildResult SignalDuringSave(const fs::path& path, const std::string& bytes, SaveStage stage, int signal) {
    int ready[2];
    int proceed[2];
    EXPECT_EQ(::pipe(ready), 0);
    EXPECT_EQ(::pipe(proceed), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        InstallSaveSignalHandlers();
        g_readyFd = ready[1];
        g_continueFd = proceed[0];
        g_stopAt = stage;
        SetSaveHookForTesting(StopAndWait);
        std::string error;
        WriteFileAtomically(path.string(), bytes, &error);
        ::_exit(0);
    }
    char byte = 0;
    EXPECT_EQ(::read(ready[0], &byte, 1), 1);
    ChildResult result;
    // The temporary file (or the copy) exists while the save is stopped.
    for (const auto& entry : fs::directory_iterator(path.parent_path())) {
        result.text += entry.path().filename().string() + " ";
    }
    ::kill(pid, signal);
    // The signal is pending before the child can read on, so its handler runs first.
    EXPECT_EQ(::write(proceed[1], &byte, 1), 1);
    ::waitpid(pid, &result.status, 0);
    for (const int fd : {ready[0], ready[1], proceed[0], proceed[1]}) {
        ::close(fd);
    }
    return result;
}

TEST_F(FileWriteTest, TerminatingSignalDuringASaveRemovesTheTemporaryFile) {
    const fs::path path = folder_ / "model.off";
    for (const int signal : {SIGTERM, SIGINT}) {
        WriteBytes(path, kOld);
        for (const SaveStage stage : {SaveStage::kTemporaryPartlyWritten, SaveStage::kBeforeReplace}) {
            const ChildResult child = SignalDuringSave(path, NewContent(), stage, signal);
            EXPECT_TRUE(child.KilledBy(signal)) << child.status;
            EXPECT_NE(child.text.find(".quorvane-"), std::string::npos) << child.text;
            EXPECT_EQ(ReadBytes(path.string()), kOld);
            EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>{"model.off"});
        }
    }
}

TEST_F(FileWriteTest, TerminatingSignalDuringAnInPlaceRewriteWaitsUntilTheFileIsWhole) {
    const fs::path path = folder_ / "model.off";
    WriteBytes(path, kOld);
    fs::create_hard_link(path, folder_ / "alias.off");
    const std::string bytes = NewContent();
    const ChildResult child = SignalDuringSave(path, bytes, SaveStage::kInPlacePartlyWritten, SIGTERM);
    EXPECT_TRUE(child.KilledBy(SIGTERM)) << child.status;
    EXPECT_NE(child.text.find(".quorvane-"), std::string::npos) << child.text;  // the copy, while stopped
    EXPECT_EQ(ReadBytes((folder_ / "alias.off").string()), bytes);
    EXPECT_EQ(StatusOf(path).st_nlink, 2u);
    EXPECT_EQ(FolderEntries(folder_), (std::vector<std::string>{"alias.off", "model.off"}));
}

TEST_F(FileWriteTest, SignalHandlersLeaveIgnoredSignalsIgnored) {
    const ChildResult child = InChild([] {
        ::signal(SIGHUP, SIG_IGN);
        InstallSaveSignalHandlers();
        struct sigaction hup {};
        struct sigaction term {};
        ::sigaction(SIGHUP, nullptr, &hup);
        ::sigaction(SIGTERM, nullptr, &term);
        return std::string(hup.sa_handler == SIG_IGN ? "ignored " : "replaced ") +
               (term.sa_handler != SIG_DFL && term.sa_handler != SIG_IGN ? "handled" : "default") +
               (SaveSignalHandlersInstalled() ? " installed" : "");
    });
    EXPECT_EQ(child.text, "ignored handled installed");
}

// ---- Names, modes and owners ----

// The folder's entries seen at the moment before the temporary file is renamed.
std::vector<std::string> g_seenBeforeReplace;
fs::path g_watchedFolder;

TEST_F(FileWriteTest, TemporaryNameIsShortAndHiddenSoTheLongestNameFits) {
    const std::string longest(255, 'n');
    g_watchedFolder = folder_;
    g_seenBeforeReplace.clear();
    SetSaveHookForTesting([](SaveStage stage) {
        if (stage == SaveStage::kBeforeReplace) {
            g_seenBeforeReplace = FolderEntries(g_watchedFolder);
        }
        return 0;
    });
    ASSERT_EQ(SaveReason(folder_ / longest, "new"), "saved");
    EXPECT_EQ(ReadBytes((folder_ / longest).string()), "new");
    ASSERT_EQ(g_seenBeforeReplace.size(), 1u);
    EXPECT_EQ(g_seenBeforeReplace[0].rfind(".quorvane-" + std::to_string(::getpid()) + "-", 0), 0u);
    EXPECT_LT(g_seenBeforeReplace[0].size(), 48u);
    EXPECT_EQ(SaveReason(folder_ / (longest + "x"), "new"), "File name too long");
    EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>{longest});
}

TEST_F(FileWriteTest, ThreadsSavingAtOnceEachGetTheirOwnTemporaryFile) {
    constexpr int kThreads = 8;
    constexpr int kRounds = 20;
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                const std::string bytes = std::to_string(t) + ":" + std::to_string(round) + NewContent(5000);
                if (SaveReason(folder_ / (std::to_string(t) + ".off"), bytes) != "saved") {
                    ++failures;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, 0);
    ASSERT_EQ(FolderEntries(folder_).size(), static_cast<std::size_t>(kThreads));
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(ReadBytes((folder_ / (std::to_string(t) + ".off")).string()),
                  std::to_string(t) + ":" + std::to_string(kRounds - 1) + NewContent(5000));
    }
}

TEST_F(FileWriteTest, NewFileTakesTheUmaskAndAnOldFileKeepsItsModeAndOwner) {
    ASSERT_EQ(SaveReason(folder_ / "new.off", "new"), "saved");
    EXPECT_EQ(StatusOf(folder_ / "new.off").st_mode & 07777, 0666u & ~CurrentUmask());

    WriteBytes(folder_ / "old.off", kOld);
    ::chmod((folder_ / "old.off").c_str(), 0751);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown((folder_ / "old.off").c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(SaveReason(folder_ / "old.off", "new"), "saved");
    const struct stat info = StatusOf(folder_ / "old.off");
    EXPECT_EQ(info.st_mode & 07777, 0751u);
    if (root) {
        EXPECT_EQ(info.st_uid, 65534u);
        EXPECT_EQ(info.st_gid, 65534u);
    }
}

}  // namespace
}  // namespace quorvane

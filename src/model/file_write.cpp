// Writing a file so that it is never left half written: through symbolic links to their target,
// in place for a hard-linked file, directly for devices and pipes, by renaming a synced temporary
// file over it for the rest.
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "model/file_io.h"
#include "model/open_file.h"
#include "model/save_signals.h"
#include "model/text_escape.h"

namespace quorvane {

namespace {

// Linux follows at most this many links in one path.
constexpr int kMaxLinkHops = 40;

std::atomic<SaveHook> g_saveHook{nullptr};

// Runs the test hook at `stage`: the errno value it asks the save to fail with, else 0.
int AtStage(SaveStage stage) {
    const SaveHook hook = g_saveHook.load();
    return hook ? hook(stage) : 0;
}

// The process's file-creation mask from /proc/self/status, which reading does not change. Where
// that is missing the mask is asked of the system, set and set back, which is safe only while
// the process has a single thread: hence it is read once, during start-up (below).
mode_t ReadUmask() {
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status) != nullptr) {
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        }
        std::fclose(status);
        if (found) {
            return static_cast<mode_t>(mask & 0777);
        }
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// The umask the process started with, read once.
mode_t ProcessUmask() {
    static const mode_t mask = ReadUmask();
    return mask;
}

// Reads the umask while static objects are made, before main and before any thread.
[[maybe_unused]] const mode_t g_umaskAtStartUp = ProcessUmask();

// The folder part of a path ("." when it has none).
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The last part of a path (empty when it ends with a slash).
std::string NameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The system's text for an errno value.
std::string Reason(int error) {
    return std::strerror(error);
}

// The file that `path` names once its symbolic links are followed, relative ones from the folder
// of the link; a link to a missing file gives that missing file. False with the errno value in
// `error` when a link cannot be read or the links loop.
bool FollowLinks(const std::string& path, std::string& target, int& error) {
    target = path;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat info;
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return true;
        }
        if (hop == kMaxLinkHops) {
            break;
        }
        std::string link(info.st_size > 0 ? static_cast<std::size_t>(info.st_size) + 1 : PATH_MAX, '\0');
        ssize_t length;
        while ((length = ::readlink(target.c_str(), link.data(), link.size())) >=
               static_cast<ssize_t>(link.size())) {
            link.resize(link.size() * 2);
        }
        if (length < 0) {
            error = errno;
            return false;
        }
        link.resize(static_cast<std::size_t>(length));
        if (link.empty()) {
            error = ENOENT;
            return false;
        }
        const std::size_t slash = target.find_last_of('/');
        target = link[0] == '/' || slash == std::string::npos ? link : target.substr(0, slash + 1) + link;
    }
    error = ELOOP;
    return false;
}

// Writes all bytes to a descriptor, retrying short writes: 0 or the errno value.
int WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

// Writes `bytes` in two halves with the test hook's `stage` between them: 0 or the errno value.
int WriteInHalves(int fd, const std::string& bytes, SaveStage stage) {
    const std::size_t half = bytes.size() / 2;
    int error = WriteAll(fd, bytes.data(), half);
    if (error == 0) {
        error = AtStage(stage);
    }
    return error != 0 ? error : WriteAll(fd, bytes.data() + half, bytes.size() - half);
}

// Reads `size` bytes from the start of a descriptor: 0 or the errno value (EIO when the file
// turns out shorter).
int ReadFromStart(int fd, std::size_t size, std::string& bytes) {
    bytes.resize(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, bytes.data() + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? errno : EIO;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// An open folder, closed at the end of its scope. `syncable` is false when the folder could only
// be opened as a path (it may not be read), which cannot be synced.
struct OpenFolder {
    int fd = -1;
    bool syncable = true;

    explicit OpenFolder(const std::string& folder) {
        fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 && errno == EACCES) {
            fd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            syncable = false;
        }
    }
    ~OpenFolder() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    // Syncs the folder's entries to disk: 0 or the errno value (a file system that cannot sync
    // folders counts as done).
    int Sync() const {
        if (!syncable || ::fsync(fd) == 0 || errno == EINVAL) {
            return 0;
        }
        return errno;
    }
};

// A hidden temporary file in an open folder, with a short name unique in this process
// (".quorvane-PID-N.tmp") so that any target name fits beside it. It is listed for the signal
// handler from before it exists until it is released, and removed at the end of the scope
// unless it was released or kept.
class TemporaryFile {
  public:
    explicit TemporaryFile(int folderFd) : m_nFolderFd(folderFd) {}
    ~TemporaryFile() {
        if (m_bExists) {
            ::unlinkat(m_nFolderFd, m_name, 0);
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Creates the file, readable and writable by its owner only: the descriptor, or -1 with errno.
    int Create() {
        static std::atomic<unsigned long> counter{0};
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::snprintf(m_name, sizeof m_name, ".quorvane-%ld-%lu.tmp", static_cast<long>(::getpid()),
                          counter.fetch_add(1));
            m_registration.emplace(m_nFolderFd, m_name);
            const int fd = ::openat(m_nFolderFd, m_name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd >= 0) {
                m_bExists = true;
                return fd;
            }
            const int error = errno;
            m_registration.reset();
            if (error != EEXIST) {
                errno = error;
                return -1;
            }
        }
        errno = EEXIST;
        return -1;
    }

    const char* Name() const { return m_name; }

    // The file has been renamed away: nothing is left to remove.
    void Release() {
        m_registration.reset();
        m_bExists = false;
    }

    // The file stays, even if a signal ends the process.
    void Keep() { Release(); }

  private:
    int m_nFolderFd;
    char m_name[RegisteredTemporary::kMaxTemporaryName] = {};
    bool m_bExists = false;
    std::optional<RegisteredTemporary> m_registration;
};

// Gives a fresh temporary file its mode and owner, writes `bytes`, syncs it (when `sync`) and
// closes it: 0 or the errno value. The owner is kept where the system allows it; a file system without modes
// keeps its own.
int FillTemporary(int fd, const std::string& bytes, mode_t mode, const struct stat* owner, bool sync = true) {
    struct stat mine;
    if (owner && ::fstat(fd, &mine) == 0 && (mine.st_uid != owner->st_uid || mine.st_gid != owner->st_gid)) {
        if (::fchown(fd, owner->st_uid, owner->st_gid) != 0) {
            // Only root may give a file away; the new file then stays the saver's.
        }
    }
    int error = 0;
    if (::fchmod(fd, mode) != 0 && errno != EPERM && errno != EOPNOTSUPP) {
        error = errno;
    }
    if (error == 0) {
        error = WriteInHalves(fd, bytes, SaveStage::kTemporaryPartlyWritten);
    }
    if (error == 0 && sync && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    return error;
}

// Writes the new content at the start of an open file, cuts it to that length and syncs it: 0 or
// the errno value.
int RewriteFromStart(int fd, const std::string& bytes, SaveStage stage) {
    if (::lseek(fd, 0, SEEK_SET) < 0) {
        return errno;
    }
    int error = WriteInHalves(fd, bytes, stage);
    if (error == 0 && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) {
        error = errno;
    }
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    return error;
}

// Reserves disk space for `size` bytes of an open file without changing its length or content,
// so that a full disk is found before the file is touched: 0 or the errno value (a file system
// that cannot reserve counts as done).
int ReserveSpace(int fd, std::size_t size) {
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0) {
        return 0;
    }
    return errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL ? 0 : errno;
}

// Puts `bytes` in place of `target` (a regular file, or none) by renaming a synced temporary file
// of its folder over it, then syncs the folder; with kReplaceOnly nothing is synced. `existing` is
// the old file's status, or null.
bool ReplaceByRename(const std::string& target, const std::string& bytes, const struct stat* existing,
                     std::string& reason, WriteDurability durability) {
    const std::string folderPath = FolderOf(target);
    const std::string name = NameOf(target);
    if (name.empty()) {
        reason = Reason(EISDIR);
        return false;
    }
    const OpenFolder folder(folderPath);
    if (folder.fd < 0) {
        reason = "cannot create a file in " + Escaped(folderPath) + ": " + Reason(errno);
        return false;
    }
    TemporaryFile temporary(folder.fd);
    const int fd = temporary.Create();
    if (fd < 0) {
        reason = "cannot create a file in " + Escaped(folderPath) + ": " + Reason(errno);
        return false;
    }
    const mode_t mode = existing ? existing->st_mode & 07777 : 0666 & ~ProcessUmask();
    const bool sync = durability == WriteDurability::kSynced;
    int error = FillTemporary(fd, bytes, mode, existing, sync);
    if (error == 0) {
        error = AtStage(SaveStage::kBeforeReplace);
    }
    if (error == 0 && ::renameat(folder.fd, temporary.Name(), folder.fd, name.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        reason = Reason(error);
        return false;
    }
    temporary.Release();
    error = sync ? folder.Sync() : 0;
    if (error != 0) {
        reason = "the file was written, but its folder " + Escaped(folderPath) +
                 " could not be synced to disk: " + Reason(error);
        return false;
    }
    return true;
}

// Rewrites a regular file with more than one hard link in place, so that every name keeps it. A
// synced copy of the new content is made beside it first (a crash midway leaves the whole new
// content there); the old content is kept in memory and put back if the rewrite fails; a
// terminating signal waits until the file is whole.
bool RewriteInPlace(const std::string& target, const std::string& bytes, const struct stat& existing,
                    std::string& reason) {
    const std::string folderPath = FolderOf(target);
    const OpenFolder folder(folderPath);
    if (folder.fd < 0) {
        reason = "cannot create a file in " + Escaped(folderPath) + ": " + Reason(errno);
        return false;
    }
    TemporaryFile copy(folder.fd);
    const int copyFd = copy.Create();
    if (copyFd < 0) {
        reason = "cannot create a file in " + Escaped(folderPath) +
                 " (for a copy of the new content): " + Reason(errno);
        return false;
    }
    int error = FillTemporary(copyFd, bytes, existing.st_mode & 07777, &existing);
    if (error == 0) {
        error = folder.Sync();
    }
    if (error != 0) {
        reason = Reason(error);
        return false;
    }

    OpenFile file(::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY));
    const int fd = file.fd;
    if (fd < 0) {
        reason = Reason(errno);
        return false;
    }
    struct stat opened;
    std::string old;
    if (::fstat(fd, &opened) != 0) {
        error = errno;
    } else if (opened.st_dev != existing.st_dev || opened.st_ino != existing.st_ino) {
        error = EAGAIN;
        reason = "the file was replaced by another while it was being saved";
    } else {
        error = ReadFromStart(fd, static_cast<std::size_t>(opened.st_size), old);
    }
    if (error == 0 && bytes.size() > old.size()) {
        error = ReserveSpace(fd, bytes.size());
    }
    if (error != 0) {
        if (reason.empty()) {
            reason = Reason(error);
        }
        return false;
    }

    bool whole = true;
    {
        const DeferredTermination wholeFirst;
        error = RewriteFromStart(fd, bytes, SaveStage::kInPlacePartlyWritten);
        if (error != 0) {
            whole = RewriteFromStart(fd, old, SaveStage::kRestorePartlyWritten) == 0;
        }
        if (file.Close() != 0 && error == 0) {
            error = errno;
        }
        if (!whole) {
            copy.Keep();
        }
    }
    if (error != 0) {
        reason = Reason(error);
        if (!whole) {
            reason += "; the file is left partly written, and its new content is kept in " +
                      Escaped(folderPath) + "/" + Escaped(copy.Name());
        }
        return false;
    }
    return true;
}

// While this object lives, a write to a pipe whose reader has gone fails with EPIPE in this
// thread instead of ending the whole process (and the viewer's unsaved work) with SIGPIPE: the
// signal, which goes to the writing thread, is blocked and then taken back if it came.
class BrokenPipeAsError {
  public:
    BrokenPipeAsError() {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        sigset_t pending;
        m_bAlreadyPending = ::sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
        ::pthread_sigmask(SIG_BLOCK, &m_pipe, &m_previous);
    }
    ~BrokenPipeAsError() {
        sigset_t pending;
        if (!m_bAlreadyPending && ::sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1) {
            const timespec now{};
            while (::sigtimedwait(&m_pipe, nullptr, &now) < 0 && errno == EINTR) {
            }
        }
        ::pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    }
    BrokenPipeAsError(const BrokenPipeAsError&) = delete;
    BrokenPipeAsError& operator=(const BrokenPipeAsError&) = delete;

  private:
    sigset_t m_pipe;
    sigset_t m_previous;
    bool m_bAlreadyPending = false;
};

// Writes `bytes` straight into a device or a named pipe, which is never replaced.
bool WriteDirectly(const std::string& target, const std::string& bytes, std::string& reason) {
    const BrokenPipeAsError brokenPipe;
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        reason = Reason(errno);
        return false;
    }
    struct stat opened;
    int error = 0;
    if (::fstat(fd, &opened) != 0) {
        error = errno;
    } else if (S_ISREG(opened.st_mode) || S_ISDIR(opened.st_mode)) {
        ::close(fd);
        reason = "the file was replaced by another while it was being saved";
        return false;
    }
    if (error == 0) {
        error = WriteAll(fd, bytes.data(), bytes.size());
    }
    // Pipes and most character devices cannot be synced.
    if (error == 0 && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS && errno != EOPNOTSUPP) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        reason = Reason(error);
        return false;
    }
    return true;
}

// Writes `bytes` to `target`, a path whose links have been followed, in the way its kind needs.
bool WriteResolved(const std::string& target, const std::string& bytes, std::string& reason,
                   WriteDurability durability) {
    struct stat info;
    if (::lstat(target.c_str(), &info) != 0) {
        if (errno != ENOENT) {
            reason = Reason(errno);
            return false;
        }
        return ReplaceByRename(target, bytes, nullptr, reason, durability);
    }
    if (S_ISDIR(info.st_mode)) {
        reason = Reason(EISDIR);
        return false;
    }
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) || S_ISFIFO(info.st_mode)) {
        return WriteDirectly(target, bytes, reason);
    }
    if (!S_ISREG(info.st_mode)) {
        reason = "not a regular file, a device or a pipe";
        return false;
    }
    // A file its owner has made read-only is not replaced behind its back.
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        reason = Reason(errno);
        return false;
    }
    if (info.st_nlink > 1) {
        return RewriteInPlace(target, bytes, info, reason);
    }
    return ReplaceByRename(target, bytes, &info, reason, durability);
}

}  // namespace

void SetSaveHookForTesting(SaveHook hook) {
    g_saveHook.store(hook);
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error,
                         WriteDurability durability) {
    std::string target;
    int linkError = 0;
    std::string reason;
    bool written = false;
    struct stat reached;
    if (path.empty()) {
        reason = Reason(ENOENT);
    } else if (::stat(path.c_str(), &reached) == 0 &&
               (S_ISCHR(reached.st_mode) || S_ISBLK(reached.st_mode) || S_ISFIFO(reached.st_mode))) {
        // Left to the system to reach, for the links of /proc (/dev/stdout) name no path.
        written = WriteDirectly(path, bytes, reason);
    } else if (!FollowLinks(path, target, linkError)) {
        reason = "cannot follow the symbolic link " + Escaped(path) + ": " + Reason(linkError);
    } else if (!WriteResolved(target, bytes, reason, durability)) {
        if (target != path) {
            reason = "the link's target " + Escaped(target) + ": " + reason;
        }
    } else {
        written = true;
    }
    if (!written && error) {
        *error = reason;
    }
    return written;
}

}  // namespace quorvane

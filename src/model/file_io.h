// Whole files in and out: reading a file into memory, and replacing one without leaving it half
// written.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

namespace quorvane {

// The bytes of a file read whole. Unlike a std::string, the storage is not cleared before the
// file is read into it: the pages of a large file are first touched by the read itself.
class FileBytes {
  public:
    FileBytes() = default;
    FileBytes(FileBytes&& other) noexcept;
    FileBytes& operator=(FileBytes&& other) noexcept;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    ~FileBytes() = default;

    std::string_view View() const { return {m_data.get(), m_size}; }
    const char* Data() const { return m_data.get(); }
    std::size_t Size() const { return m_size; }
    bool Empty() const { return m_size == 0; }
    std::size_t Capacity() const { return m_capacity; }
    // Frees the storage.
    void Clear() noexcept;
    // Makes room for `capacity` bytes, keeping those held (throws std::bad_alloc).
    void Reserve(std::size_t capacity);
    // Where the next bytes go: Capacity() - Size() of them may be written there.
    char* End() { return m_data.get() + m_size; }
    // Counts `count` bytes written at End() as held.
    void Commit(std::size_t count) { m_size += count; }

  private:
    std::unique_ptr<char[]> m_data;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

// What ReadWholeFile may read.
struct ReadLimits {
    // A file of more bytes than this is refused: a regular file before anything is read, a pipe
    // or a device as soon as it has given one byte more.
    std::size_t maxBytes = std::numeric_limits<std::size_t>::max();
    // Looks at the first bytes (at most kStartBytes) of a file longer than kStartBytes, or of a
    // stream while they come in, until kStartBytes are in; false stops the reading there. It may
    // be called more than once with a longer start each time, and must say true while the bytes
    // seen do not yet settle anything.
    std::function<bool(std::string_view)> checkStart;
};
inline constexpr std::size_t kStartBytes = std::size_t{64} << 10;

// The most one read asks for, so that a cancel is seen within a bounded amount of work.
inline constexpr std::size_t kReadChunkBytes = std::size_t{8} << 20;

// How long one wait for more data of a pipe or a device lasts before the cancel flag is looked at
// again, in milliseconds.
inline constexpr int kReadPollMs = 50;

// What may give up or follow a reading in progress (the viewer reads on a worker thread, and a
// pipe, a device or a huge file must stop when the user cancels or closes the window).
struct ReadWatch {
    // Once set, the reading stops with kCancelled: looked at before each read (of kReadChunkBytes
    // at most) and at least every kReadPollMs while a pipe or a device has nothing to give.
    const std::atomic<bool>* cancel = nullptr;
    // Called after each read, and every kReadPollMs while a pipe or a device has nothing to give,
    // with the bytes in so far and the size of the file when it was opened (0 when it has none to
    // tell: a pipe, a device); a growing file passes that size.
    std::function<void(std::size_t done, std::size_t total)> progress;
};

// How ReadWholeFile ended.
enum class ReadStatus {
    kRead,       // `bytes` holds the whole file
    kFailed,     // the system's reason (or a lack of memory) is in `reason`
    kTooLarge,   // the file holds more than limits.maxBytes
    kStopped,    // limits.checkStart said to stop
    kCancelled,  // watch.cancel was set
};

// Reads a whole file into `bytes`. A folder is refused; a file that grows while it is read, or
// has no size to tell (a pipe), is read to its end or to the limit. A FIFO without a writer is
// waited for (and the wait given up by a cancel). Anything but kRead leaves `bytes` empty. Running
// out of memory is kFailed with "not enough memory to read the file", never an exception.
ReadStatus ReadWholeFile(const std::string& path, FileBytes& bytes, std::string& reason,
                         const ReadLimits& limits = {}, const ReadWatch& watch = {});

// Gives the file at `path` the content `bytes`, leaving it with either its old content or the new
// one, never half written, on failure, on a full disk and on SIGINT or SIGTERM (with the handlers
// of save_signals.h installed):
// - symbolic links are followed (relative ones from their own folder) and the link is kept; a
//   link to a missing file creates that file;
// - a regular file is replaced by a hidden temporary file of its folder, written, synced, given
//   the old file's mode and owner (a new file: 0666 less the umask), renamed over it; then the
//   folder is synced;
// - a regular file with more than one hard link is rewritten in place so that every name keeps
//   it: a copy of the new content is first written and synced beside it, the old content is put
//   back if the rewrite fails, and the copy is removed once the file is whole;
// - a device or a named pipe is written directly, never replaced;
// - a folder, a socket and a file this process may not write are refused.
// On failure `error` holds the reason (the folder or the link's target named where they matter).
// With kReplaceOnly the replacement by rename syncs neither the file nor its folder: a reader still
// sees the old content or the new, never half of it, and a crash of the process leaves no half
// file, but after a power loss the file may be empty or cut short. It is for outputs whose
// completeness is checked on reuse (the pictures of a data set, see render --skip-existing), where
// two syncs per file would cost more than the drawing.
enum class WriteDurability { kSynced, kReplaceOnly };
bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error,
                         WriteDurability durability = WriteDurability::kSynced);

// The points of a save at which a test may stop or fail it.
enum class SaveStage {
    kTemporaryPartlyWritten,  // half of the new content is in the temporary file (or the copy)
    kBeforeReplace,           // the temporary file is complete and synced, not yet renamed
    kInPlacePartlyWritten,    // half of the new content is over a hard-linked file's old content
    kRestorePartlyWritten,    // half of the old content is back after a failed in-place rewrite
};
// A test hook called at each stage; an errno value other than 0 makes the save fail there.
using SaveHook = int (*)(SaveStage stage);
// Sets the hook of every later save (null: none, the normal case).
void SetSaveHookForTesting(SaveHook hook);

}  // namespace quorvane

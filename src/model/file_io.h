// Whole files in and out: reading a file into memory, and replacing one without leaving it half
// written.
#pragma once

#include <cstddef>
#include <functional>
#include <limits>
#include <string>
#include <string_view>

namespace quorvane {

// What ReadWholeFile may read.
struct ReadLimits {
    // A file of more bytes than this is refused: a regular file before anything is read, a pipe
    // or a device as soon as it has given one byte more.
    std::size_t maxBytes = std::numeric_limits<std::size_t>::max();
    // Called once with the first kStartBytes of a longer file; false stops the reading there.
    std::function<bool(std::string_view)> checkStart;
};
inline constexpr std::size_t kStartBytes = std::size_t{64} << 10;

// How ReadWholeFile ended.
enum class ReadStatus {
    kRead,      // `text` holds the whole file
    kFailed,    // the system's reason is in `reason`
    kTooLarge,  // the file holds more than limits.maxBytes
    kStopped,   // limits.checkStart said to stop
};

// Reads a whole file into `text`. A folder is refused; a file that grows while it is read, or has
// no size to tell (a pipe), is read to its end or to the limit.
ReadStatus ReadWholeFile(const std::string& path, std::string& text, std::string& reason,
                         const ReadLimits& limits = {});

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

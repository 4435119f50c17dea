// The recent-file list: at most five paths, newest first, and how an entry is shown in the menu.
// No toolkit here; the profile file is read and written by recent_profile.h.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

class CRecentFileList {
  public:
    static constexpr int kMaxEntries = 5;

    // Puts `path` first; an entry already in the list moves to the front instead of repeating,
    // and the oldest entry falls off when the list would grow past kMaxEntries.
    void Add(const std::string& path);
    // Removes entry `index` (0 = newest); an index outside the list is ignored.
    void Remove(int index);
    // Replaces the list with `entries` as read from the profile: empty entries and repeats are
    // skipped and at most kMaxEntries are kept, in the given order.
    void SetEntries(const std::vector<std::string>& entries);

    const std::vector<std::string>& Entries() const { return m_entries; }
    int Size() const { return static_cast<int>(m_entries.size()); }
    bool IsEmpty() const { return m_entries.empty(); }

  private:
    std::vector<std::string> m_entries;
};

// The longest a path is shown in the recent-file menu, in characters.
inline constexpr int kRecentDisplayLength = 30;

// Shortens a '/'-separated UTF-8 path to at most `maxLength` characters (code points) for display:
// the whole path when it fits; otherwise the root, "..." and as many trailing folders as fit before
// the file name ("/.../models/teapot.off"); otherwise the file name alone; a file name that is too
// long by itself keeps its start and its end around "...".
std::string AbbreviatePath(std::string_view path, int maxLength = kRecentDisplayLength);

// The menu text of recent entry `index` (0 = newest): "&1 " and the abbreviated path, with every
// '&' of the path doubled so that it is shown and not taken as a mnemonic.
std::string RecentMenuText(int index, std::string_view path);

// The number of characters (code points) of UTF-8 text; stray continuation bytes are not counted.
int Utf8Length(std::string_view text);

}  // namespace quorvane

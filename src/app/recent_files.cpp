#include "app/recent_files.h"

#include <algorithm>

namespace quorvane {

void CRecentFileList::Add(const std::string& path) {
    if (path.empty()) {
        return;
    }
    const auto found = std::find(m_entries.begin(), m_entries.end(), path);
    if (found != m_entries.end()) {
        std::rotate(m_entries.begin(), found, found + 1);
        return;
    }
    m_entries.insert(m_entries.begin(), path);
    if (Size() > kMaxEntries) {
        m_entries.resize(kMaxEntries);
    }
}

void CRecentFileList::Remove(int index) {
    if (index >= 0 && index < Size()) {
        m_entries.erase(m_entries.begin() + index);
    }
}

void CRecentFileList::SetEntries(const std::vector<std::string>& entries) {
    m_entries.clear();
    for (const std::string& entry : entries) {
        if (Size() == kMaxEntries) {
            break;
        }
        if (!entry.empty() && std::find(m_entries.begin(), m_entries.end(), entry) == m_entries.end()) {
            m_entries.push_back(entry);
        }
    }
}

namespace {

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The byte offset where character number `count` of `text` begins (text.size() past the end).
std::size_t OffsetOfCharacter(std::string_view text, int count) {
    int seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsContinuationByte(text[i])) {
            if (seen == count) {
                return i;
            }
            ++seen;
        }
    }
    return text.size();
}

// The first `count` characters of `text`.
std::string_view FirstCharacters(std::string_view text, int count) {
    return text.substr(0, OffsetOfCharacter(text, count));
}

// The last `count` characters of `text`.
std::string_view LastCharacters(std::string_view text, int count) {
    const int length = Utf8Length(text);
    return count >= length ? text : text.substr(OffsetOfCharacter(text, length - count));
}

}  // namespace

int Utf8Length(std::string_view text) {
    return static_cast<int>(
        std::count_if(text.begin(), text.end(), [](char c) { return !IsContinuationByte(c); }));
}

std::string AbbreviatePath(std::string_view path, int maxLength) {
    if (Utf8Length(path) <= maxLength) {
        return std::string(path);
    }
    const std::size_t lastSlash = path.rfind('/');
    const std::string_view fileName = lastSlash == std::string_view::npos ? path : path.substr(lastSlash + 1);
    const std::string_view root = path.starts_with('/') ? std::string_view("/") : std::string_view();

    // Take trailing folders, one at a time from the file name back, while the result still fits.
    std::string best;
    std::size_t tailStart = lastSlash;
    while (tailStart != std::string_view::npos && tailStart > root.size()) {
        std::string candidate = std::string(root) + "..." + std::string(path.substr(tailStart));
        if (Utf8Length(candidate) > maxLength) {
            break;
        }
        best = std::move(candidate);
        tailStart = path.rfind('/', tailStart - 1);
    }
    if (!best.empty()) {
        return best;
    }
    if (Utf8Length(fileName) <= maxLength) {
        return std::string(fileName);
    }
    // A file name too long by itself: its start and its end (with the extension) around "...".
    const int keep = maxLength > 3 ? maxLength - 3 : 0;
    const int tail = keep / 2;
    return std::string(FirstCharacters(fileName, keep - tail)) + "..." +
           std::string(LastCharacters(fileName, tail));
}

std::string RecentMenuText(int index, std::string_view path) {
    std::string text = "&";
    text += std::to_string(index + 1);
    text += ' ';
    for (const char c : AbbreviatePath(path)) {
        text += c;
        if (c == '&') {
            text += '&';
        }
    }
    return text;
}

}  // namespace quorvane

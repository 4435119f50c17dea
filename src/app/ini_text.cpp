#include "app/ini_text.h"

namespace quorvane {

namespace {

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

std::vector<IniEntry> ParseIniText(std::string_view text) {
    std::vector<IniEntry> entries;
    std::string section;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            section = std::string(Trim(line.substr(1, line.size() - 2)));
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || equals == 0) {
            continue;
        }
        entries.push_back(
            {section, std::string(Trim(line.substr(0, equals))), std::string(Trim(line.substr(equals + 1)))});
    }
    return entries;
}

std::string FormatIniText(const std::vector<IniEntry>& entries) {
    std::string text;
    const std::string* current = nullptr;
    for (const IniEntry& entry : entries) {
        if (entry.value.find_first_of("\r\n") != std::string::npos || entry.key.empty()) {
            continue;
        }
        if (current == nullptr || *current != entry.section) {
            if (!text.empty()) {
                text += '\n';
            }
            if (!entry.section.empty()) {
                text += '[' + entry.section + "]\n";
            }
            current = &entry.section;
        }
        text += entry.key + '=' + entry.value + '\n';
    }
    return text;
}

}  // namespace quorvane

// Plain INI text as profile files have it: "[Section Name]" lines, then "Key=value" lines, values
// taken literally to the end of the line. No toolkit; recent_profile.cpp plugs it into QSettings.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

struct IniEntry {
    std::string section;  // empty for keys before the first section line
    std::string key;
    std::string value;

    bool operator==(const IniEntry&) const = default;
};

// The entries of `text` in file order. Blank lines and lines starting with ';' or '#' are skipped,
// as are lines that are neither a section nor hold '='. Blanks around section names, keys and
// values are dropped; line ends may be LF or CR LF.
std::vector<IniEntry> ParseIniText(std::string_view text);

// The text of `entries`: each section line once, before its first key, keys in the given order,
// a blank line between sections. Entries of one section must be adjacent. Values holding a line
// end cannot be written and are left out.
std::string FormatIniText(const std::vector<IniEntry>& entries);

}  // namespace quorvane

// Bytes from files, and file names, made safe to print: a terminal shows every byte of the result
// and obeys none (no line breaks, no escape sequences).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvane {

// Length of the well-formed UTF-8 sequence at the start of `s`, or 0 when it is not one.
std::size_t Utf8SequenceLength(std::string_view s);

// Appends `text` with the control characters (C0, DEL and the C1 range U+0080 .. U+009F) and the
// bytes that are not valid UTF-8 escaped: \n, \r, \t, \\ for the backslash itself, \xNN for the
// rest. Printable ASCII and well-formed UTF-8 are kept as they are.
void AppendEscaped(std::string& out, std::string_view text);

// `text` escaped as AppendEscaped does.
std::string Escaped(std::string_view text);

}  // namespace quorvane

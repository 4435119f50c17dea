// Escaping text for a terminal: nothing it obeys is left, nothing readable is changed.
#include <gtest/gtest.h>

#include <string>

#include "model/text_escape.h"

namespace quorvane {
namespace {

TEST(TextEscape, ControlsAndBrokenUtf8AreEscapedTheRestKept) {
    const struct {
        const char* name;
        std::string text;
        std::string escaped;
    } cases[] = {
        {"plain", "models/cube.off", "models/cube.off"},
        {"line breaks and tab", "a\nb\rc\td", "a\\nb\\rc\\td"},
        {"escape sequence", "\x1b[31mred", "\\x1b[31mred"},
        {"nul and delete", std::string("a\0b\x7f", 4), "a\\x00b\\x7f"},
        {"backslash", "a\\n", "a\\\\n"},
        {"UTF-8 kept", "\xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",
         "\xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"},
        {"C1 control (CSI) escaped",
         "\xc2\x9b"
         "31m",
         "\\xc2\\x9b31m"},
        {"no-break space kept",
         "a\xc2\xa0"
         "b",
         "a\xc2\xa0"
         "b"},
        {"lone continuation byte", "a\x80z", "a\\x80z"},
        {"cut sequence", "a\xe2\x82", "a\\xe2\\x82"},
        {"overlong", "\xc0\xaf", "\\xc0\\xaf"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Escaped(c.text), c.escaped) << c.name;
    }
}

}  // namespace
}  // namespace quorvane

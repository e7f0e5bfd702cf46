#include "presets/Utf8Text.h"

#include <gtest/gtest.h>

namespace quenthal {
namespace {

TEST(RepairUtf8, KeepsWellFormedTextAndReplacesEachIllFormedPart) {
    const std::string r = "\xef\xbf\xbd";
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"", ""},
        {"1k & 2k", "1k & 2k"},
        {"\xc3\xbc\xe2\x82\xac\xf0\x9d\x84\x9e\xf4\x8f\xbf\xbf", "\xc3\xbc\xe2\x82\xac\xf0\x9d\x84\x9e\xf4\x8f\xbf\xbf"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
        {"\x80", r},                        // stray continuation byte
        {"\xc0\xaf", r + r},                // overlong '/'
        {"\xe0\x80\xaf", r + r + r},        // overlong, 3 bytes
        {"\xed\xa0\x80", r + r + r},        // surrogate
        {"\xf4\x90\x80\x80", r + r + r + r},  // above U+10FFFF
        {"\xf5", r},
        {"\xe2\x82", r},                    // cut at the end: one replacement
        {"\xe2\x82" "A", r + "A"},          // cut before a letter
        {"\xf0\x9d\x84" "\xc3\xbc", r + "\xc3\xbc"},
    };
    for (const auto& c : cases) EXPECT_EQ(RepairUtf8(c.in), c.out) << testing::PrintToString(c.in);
}

}  // namespace
}  // namespace quenthal

#include "cipher/utf8.h"

#include <gtest/gtest.h>

namespace {

struct Conversion {
    const char* name;
    std::string utf8;
    std::u16string utf16;
};

class Utf8Test : public testing::TestWithParam<Conversion> { };

TEST_P(Utf8Test, ConvertsBothWays)
{
    EXPECT_EQ(utf8::ToUtf16(GetParam().utf8), GetParam().utf16);
    if (GetParam().utf16.find(u'\uFFFD') == std::u16string::npos) {
        EXPECT_EQ(utf8::FromUtf16(GetParam().utf16), GetParam().utf8);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, Utf8Test,
                         testing::Values(Conversion{"ascii", "Bonjour\r\n", u"Bonjour\r\n"},
                                         Conversion{"two_three_and_four_bytes", "é € 😀", u"é € 😀"},
                                         // Malformed: each byte that begins no whole character is one U+FFFD.
                                         Conversion{"cut_short", "a\xC3", u"a\uFFFD"},
                                         Conversion{"overlong", "\xC0\xAF", u"\uFFFD\uFFFD"},
                                         Conversion{"a_surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
                                         Conversion{"past_the_last", "\xF4\x90\x80\x80",
                                                    u"\uFFFD\uFFFD\uFFFD\uFFFD"}),
                         [](const testing::TestParamInfo<Conversion>& row) { return row.param.name; });

TEST(Utf8, ALoneSurrogateHasNoUtf8Form)
{
    EXPECT_EQ(utf8::FromUtf16(u"a\xD800"
                              u"b"),
              "a\xEF\xBF\xBD"
              "b");
}

} // namespace

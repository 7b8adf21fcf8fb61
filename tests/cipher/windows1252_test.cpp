#include "cipher/windows1252.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(Windows1252, EveryCodeHasOneCharacterAndBack)
{
    std::set<char16_t> characters;
    for (int code = 0; code < 256; ++code) {
        const char16_t character = windows1252::CharacterOf(static_cast<std::uint8_t>(code));
        characters.insert(character);
        EXPECT_EQ(windows1252::CodeOf(character), code) << "code " << code;
    }
    EXPECT_EQ(characters.size(), 256u);

    int withCode = 0;
    for (int unit = 0; unit <= 0xFFFF; ++unit)
        withCode += windows1252::CodeOf(static_cast<char16_t>(unit)) >= 0;
    EXPECT_EQ(withCode, 256) << "a UTF-16 unit outside the table has a code";
}

TEST(Windows1252, KnownCharacters)
{
    const struct {
        int code;
        char16_t character;
    } known[] = {{0x00, 0x0000}, {0x41, u'A'},   {0x7F, 0x007F}, {0x80, u'€'},   {0x81, 0x0081},
                 {0x8C, u'Œ'},   {0x8D, 0x008D}, {0x8F, 0x008F}, {0x90, 0x0090}, {0x92, u'’'},
                 {0x9D, 0x009D}, {0x9F, u'Ÿ'},   {0xA0, 0x00A0}, {0xE9, u'é'},   {0xFF, u'ÿ'}};
    for (const auto& [code, character] : known) {
        EXPECT_EQ(windows1252::CharacterOf(static_cast<std::uint8_t>(code)), character) << code;
        EXPECT_EQ(windows1252::CodeOf(character), code) << code;
    }
    for (char16_t without : {u'\x80', u'\x9F', u'π', u'\xFFFD', u'\xD83D'})
        EXPECT_EQ(windows1252::CodeOf(without), -1) << int(without);
}

} // namespace

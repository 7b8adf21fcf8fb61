#include "cipher/decode_text.h"
#include "cipher/encode_text.h"
#include "cipher/failure.h"
#include "cipher/windows1252.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <string>

using testing::AllOf;
using testing::HasSubstr;
using testing::Not;

namespace {

std::u16string AllCodes()
{
    std::u16string text;
    for (int code = 0; code < 256; ++code)
        text += windows1252::CharacterOf(static_cast<std::uint8_t>(code));
    return text;
}

// The French message a transform fails with; fails the test if none.
template <typename Transform> std::string FailureOf(Transform transform)
{
    try {
        transform();
    } catch (const Failure& failure) {
        return failure.what();
    }
    ADD_FAILURE() << "no failure";
    return {};
}

struct Vector {
    const char* name;
    std::u16string plain;
    std::u16string key;
    std::string cipher;
};

class CipherVectors : public testing::TestWithParam<Vector> { };

TEST_P(CipherVectors, EncodeAndDecode)
{
    const Vector& vector = GetParam();
    EXPECT_EQ(EncodeText(vector.plain, vector.key), vector.cipher);
    EXPECT_EQ(DecodeText(std::u16string(vector.cipher.begin(), vector.cipher.end()), vector.key),
              vector.plain);
}

INSTANTIATE_TEST_SUITE_P(
    HandComputed, CipherVectors,
    testing::Values(Vector{"CharacterEqualToKeyGivesZeros", u"A", u"A", "000"},
                    Vector{"AccentUnderInitialKey", u"é", u"Mwé", "164"}, // 0xE9 ^ 'M'
                    Vector{"EuroIsCode128", u"€", u"\x01", "129"},
                    Vector{"WordUnderInitialKey", u"Bonjour", u"Mwé", "015024135039024156063"},
                    Vector{"MixedText", u"Œuvre à 5 €", u"clé", "239025159017009201131076220067236"},
                    Vector{"CarriageReturnAndLineFeedEachAGroup", u"\r\n", u"A", "076075"},
                    Vector{"KeyLongerThanText", u"ab", u"ab\u03C0\u03C0", "000000"},
                    Vector{"NulCharacter", std::u16string(1, u'\0'), u"\xFF", "255"},
                    Vector{"EmptyTextEmptyKey", u"", u"", ""}, Vector{"EmptyTextAnyKey", u"", u"clé", ""}),
    [](const testing::TestParamInfo<Vector>& row) { return row.param.name; });

TEST(EncodeText, KeyWrapsToItsFirstCharacter)
{
    // Characters 1, L + 1, 2L + 1 all meet the key's first character.
    EXPECT_EQ(EncodeText(u"xyzxyzx", u"xyz"), "000000000000000000000");
    EXPECT_EQ(EncodeText(u"aaaa", u"a`"), "000001000001");
}

TEST(EncodeText, EncryptingTwiceGivesNineDigitsPerCharacter)
{
    const std::string once = EncodeText(u"Mwé!", u"clé");
    const std::string twice = EncodeText(std::u16string(once.begin(), once.end()), u"clé");
    EXPECT_EQ(twice.size(), 9 * 4);
    EXPECT_EQ(twice.find_first_not_of("0123456789"), std::string::npos);
}

TEST(RoundTrip, EveryCodeUnderKeysOfSeveralLengths)
{
    const std::u16string text = AllCodes();
    std::u16string longKey = AllCodes() + u"€ŒŸ";
    for (const std::u16string& key :
         {std::u16string(u"\0", 1), std::u16string(u"Mwé"), std::u16string(u"€ß\x81\x9D\xFF z"), longKey}) {
        const std::string cipher = EncodeText(text, key);
        ASSERT_EQ(cipher.size(), 3 * text.size());
        EXPECT_EQ(DecodeText(std::u16string(cipher.begin(), cipher.end()), key), text);
    }
}

TEST(RoundTrip, AcrossTheEncodersChunks)
{
    std::u16string text;
    while (text.size() < 3 * 4096 + 7)
        text += AllCodes();
    text.resize(3 * 4096 + 7);
    const std::string cipher = EncodeText(text, u"Mwé");
    ASSERT_EQ(cipher.size(), 3 * text.size());
    EXPECT_EQ(DecodeText(std::u16string(cipher.begin(), cipher.end()), u"Mwé"), text);
}

TEST(RoundTrip, RandomTextsAndKeys)
{
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> code(0, 255);
    std::uniform_int_distribution<std::size_t> length(0, 200);
    for (int round = 0; round < 2000; ++round) {
        std::u16string text(length(random), u'\0');
        std::u16string key(1 + length(random) % 40, u'\0');
        for (auto& c : text)
            c = windows1252::CharacterOf(static_cast<std::uint8_t>(code(random)));
        for (auto& c : key)
            c = windows1252::CharacterOf(static_cast<std::uint8_t>(code(random)));
        const std::string cipher = EncodeText(text, key);
        ASSERT_EQ(DecodeText(std::u16string(cipher.begin(), cipher.end()), key), text) << "round " << round;
    }
}

TEST(DecodeText, KeyMovesOncePerGroup)
{
    EXPECT_EQ(DecodeText(u"000000000000000", u"AB"), u"ABABA");
}

TEST(DecodeText, ShortLastGroupIsItsValue)
{
    EXPECT_EQ(DecodeText(u"0657", u"A"), std::u16string(u"\0F", 2));
    EXPECT_EQ(DecodeText(u"06507", u"AA"), std::u16string(u"\0F", 2));
    EXPECT_EQ(DecodeText(u"065", u"A").size(), 1u);
}

TEST(DecodeText, SkipsBlanksTabsAndLineBreaksAnywhere)
{
    EXPECT_EQ(DecodeText(u"015024135\r\n039024\t156 063\n", u"Mwé"), u"Bonjour");
    EXPECT_EQ(DecodeText(u"01\n5 0\r\n24", u"Mwé"), u"Bo");
    EXPECT_EQ(DecodeText(u" \r\n\t", u""), u"");
}

TEST(DecodeText, OutOfRangeGroupFailsUnderEveryKey)
{
    for (int code = 0; code < 256; ++code) {
        const std::u16string key(1, windows1252::CharacterOf(static_cast<std::uint8_t>(code)));
        EXPECT_THAT(FailureOf([&] { (void)DecodeText(u"999", key); }),
                    AllOf(HasSubstr("groupe n° 1"), HasSubstr("« 999 »")))
            << "key code " << code;
    }
    EXPECT_THAT(FailureOf([] { (void)DecodeText(u"065066256", u"k"); }),
                AllOf(HasSubstr("groupe n° 3"), HasSubstr("« 256 »")));
    EXPECT_THAT(FailureOf([] { (void)DecodeText(u"000 00\n0 999", u"k"); }),
                AllOf(HasSubstr("groupe n° 3"), HasSubstr("« 999 »")));
}

// What cannot be enciphered or deciphered is refused, naming what and where.
TEST(Refusals, NameTheCharacterAndItsPosition)
{
    EXPECT_THAT(FailureOf([] { (void)EncodeText(u"a", u""); }), HasSubstr("La clé est vide"));
    EXPECT_THAT(FailureOf([] { (void)DecodeText(u"065", u""); }), HasSubstr("La clé est vide"));
    EXPECT_THAT(FailureOf([] { (void)EncodeText(u"aπb", u"k"); }),
                AllOf(HasSubstr("« π » (U+03C0)"), HasSubstr("position 2 du texte")));
    EXPECT_THAT(FailureOf([] { (void)EncodeText(u"a≠", u"k"); }),
                AllOf(HasSubstr("« ≠ » (U+2260)"), HasSubstr("position 2 du texte")));
    EXPECT_THAT(FailureOf([] { (void)EncodeText(u"ab😀", u"k"); }),
                AllOf(HasSubstr("« 😀 » (U+1F600)"), HasSubstr("position 3 du texte")));
    EXPECT_THAT(FailureOf([] { (void)EncodeText(u"ab\xD800z", u"k"); }),
                AllOf(HasSubstr("caractère U+D800,"), HasSubstr("position 3 du texte")));
    EXPECT_THAT(FailureOf([] { (void)EncodeText(u"\x80", u"k"); }), HasSubstr("caractère U+0080,"));
    EXPECT_THAT(FailureOf([] { (void)EncodeText(u"abc", u"Mπ"); }),
                AllOf(HasSubstr("« π » (U+03C0)"), HasSubstr("position 2 de la clé")));
    EXPECT_THAT(FailureOf([] { (void)DecodeText(u"000000", u"Mπ"); }), HasSubstr("position 2 de la clé"));
    EXPECT_THAT(FailureOf([] { (void)DecodeText(u"065x66", u"k"); }),
                AllOf(HasSubstr("« x » (U+0078)"), HasSubstr("position 4")));
    EXPECT_THAT(FailureOf([] { (void)DecodeText(u"06-5", u"k"); }), HasSubstr("position 3"));
    EXPECT_THAT(FailureOf([] { (void)DecodeText(u"065\u00A0", u"k"); }), HasSubstr("position 4"));
    EXPECT_THAT(FailureOf([] { (void)DecodeText(u"065\x7F", u"k"); }),
                AllOf(HasSubstr("caractère U+007F,"), Not(HasSubstr("\x7F"))));
}

TEST(Refusals, KeyCharactersNotConsultedAreNotBlamed)
{
    EXPECT_EQ(EncodeText(u"a", u"aπ"), "000");
    EXPECT_EQ(DecodeText(u"000", u"aπ"), u"a");
}

} // namespace

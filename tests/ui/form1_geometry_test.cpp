#include "ui/form1_geometry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using testing::ElementsAre;

namespace {

TEST(Form1Geometry, TwipsToPixels)
{
    const auto same = [](form1::Pixels a, form1::Pixels b) {
        return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
    };
    EXPECT_TRUE(same(form1::ToPixels({240, 120, 1455, 495}, 96), {16, 8, 97, 33}));
    EXPECT_TRUE(same(form1::ToPixels(form1::kClientArea, 96), {0, 0, 290, 128}));
    EXPECT_TRUE(same(form1::ToPixels({240, 120, 1455, 495}, 144), {24, 12, 145, 49}));
    EXPECT_TRUE(same(form1::ToPixels(form1::kClientArea, 192), {0, 0, 580, 256}));
}

// Ten pixels a character.
int Measure(std::u16string_view text)
{
    return static_cast<int>(text.size()) * 10;
}

TEST(Form1Geometry, CaptionsWrapAtWordEnds)
{
    EXPECT_THAT(form1::WrapCaption(u"CRYPTER le presse-papier", 130, Measure),
                ElementsAre(u"CRYPTER le", u"presse-papier"));
    EXPECT_THAT(form1::WrapCaption(u"Bloc Note", 90, Measure), ElementsAre(u"Bloc Note"));
    EXPECT_THAT(form1::WrapCaption(u"Bloc Note", 89, Measure), ElementsAre(u"Bloc", u"Note"));
    // A word wider than the button keeps a line of its own.
    EXPECT_THAT(form1::WrapCaption(u"a presse-papier b", 50, Measure),
                ElementsAre(u"a", u"presse-papier", u"b"));
    EXPECT_THAT(form1::WrapCaption(u"", 50, Measure), ElementsAre(u""));
}

// With captions ten pixels a character at size 10, and one less a size below.
TEST(Form1Geometry, CaptionsShrinkUntilTheyTakeTwoLinesAtMost)
{
    const auto measure = [](std::u16string_view text, int size) { return static_cast<int>(text.size()) * size; };
    struct Case {
        int width, fontSize;
    };
    // "DECRYPTER le" takes 120 pixels at 10, 96 at 8.
    for (const Case expected : {Case{1000, 10}, Case{100, 8}, Case{10, 6}}) {
        const form1::FittedCaptions fitted
            = form1::FitCaptions(10, 6, [&](std::size_t) { return expected.width; }, measure);
        EXPECT_EQ(fitted.fontSize, expected.fontSize) << expected.width;
    }
    const form1::FittedCaptions fitted = form1::FitCaptions(10, 6, [](std::size_t) { return 100; }, measure);
    EXPECT_THAT(fitted.lines[2], ElementsAre(u"DECRYPTER le", u"presse-papier"));
    EXPECT_THAT(fitted.lines[1], ElementsAre()); // the key field
}

} // namespace

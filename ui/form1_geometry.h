#pragma once

// The arithmetic of laying Form1 out, the same in every front-end: each
// gives only its scale and its way of measuring a text.

#include "ui/form1_layout.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace form1 {

struct Pixels {
    int left, top, width, height;
};

// 1440 twips an inch, at `dotsPerInch` pixels an inch.
[[nodiscard]] Pixels ToPixels(Twips twips, int dotsPerInch);

// The lines of `caption` broken at blanks so that each fits in `width`
// pixels as `measure` gives a text's width; a word wider than that has a
// line of its own.
[[nodiscard]] std::vector<std::u16string> WrapCaption(std::u16string_view caption, int width,
                                                      const std::function<int(std::u16string_view)>& measure);

} // namespace form1

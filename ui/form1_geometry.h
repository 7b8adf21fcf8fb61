#pragma once

// The arithmetic of laying Form1 out, the same in every front-end: each
// gives only its scale and its way of measuring a text.

#include "ui/form1_layout.h"

#include <cstddef>
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

// Every button's caption wrapped to its width, and the font size all
// captions share.
struct FittedCaptions {
    int fontSize;
    // By control, as in kControls; none for a control that is no button.
    std::vector<std::vector<std::u16string>> lines;
};

// Captions take two lines at most: at `largest` font size, or where one
// would take more there, at the largest smaller size down to `smallest` at
// which none does. Each front-end gives a button's `width` for its text
// and its way to `measure` a text at a size.
[[nodiscard]] FittedCaptions FitCaptions(int largest, int smallest, const std::function<int(std::size_t control)>& width,
                                         const std::function<int(std::u16string_view text, int size)>& measure);

} // namespace form1

#include "ui/form1_geometry.h"

#include "cipher/utf8.h"

#include <algorithm>
#include <iterator>

namespace form1 {

Pixels ToPixels(Twips twips, int dotsPerInch)
{
    const auto scale = [dotsPerInch](int length) { return length * dotsPerInch / 1440; };
    return {scale(twips.left), scale(twips.top), scale(twips.width), scale(twips.height)};
}

std::vector<std::u16string> WrapCaption(std::u16string_view caption, int width,
                                        const std::function<int(std::u16string_view)>& measure)
{
    std::vector<std::u16string> lines;
    std::u16string line;
    for (std::size_t start = 0; start <= caption.size();) {
        const std::size_t end = std::min(caption.find(u' ', start), caption.size());
        const std::u16string_view word = caption.substr(start, end - start);
        std::u16string longer = line.empty() ? std::u16string(word) : line + u' ' + std::u16string(word);
        if (!line.empty() && measure(longer) > width) {
            lines.push_back(std::move(line));
            line = word;
        } else {
            line = std::move(longer);
        }
        start = end + 1;
    }
    lines.push_back(std::move(line));
    return lines;
}

FittedCaptions FitCaptions(int largest, int smallest, const std::function<int(std::size_t control)>& width,
                          const std::function<int(std::u16string_view text, int size)>& measure)
{
    FittedCaptions fitted{largest, {}};
    for (;; --fitted.fontSize) {
        const int size = fitted.fontSize;
        fitted.lines.assign(std::size(kControls), {});
        bool twoLinesAtMost = true;
        for (std::size_t i = 0; i < std::size(kControls); ++i) {
            if (kControls[i].kind != Kind::Button)
                continue;
            fitted.lines[i] = WrapCaption(utf8::ToUtf16(kControls[i].text), width(i),
                                          [&](std::u16string_view text) { return measure(text, size); });
            twoLinesAtMost = twoLinesAtMost && fitted.lines[i].size() <= 2;
        }
        if (twoLinesAtMost || size <= smallest)
            return fitted;
    }
}

} // namespace form1

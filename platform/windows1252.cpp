#include "platform/windows1252.h"

#include <array>

namespace windows1252 {
namespace {

// Characters of the codes 0x80 to 0x9F.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

int detail::CodeOfSpecial(char16_t character) noexcept
{
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == character)
            return static_cast<int>(0x80 + i);
    }
    return -1;
}

char16_t CharacterOf(std::uint8_t code) noexcept
{
    if (code >= 0x80 && code <= 0x9F)
        return kHighControls[code - 0x80];
    return code;
}

} // namespace windows1252

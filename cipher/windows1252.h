#pragma once

#include <array>
#include <cstdint>

// Windows-1252 as a complete table: the five bytes the code page leaves
// unassigned stand for the C1 control of the same value, so every code
// 0-255 has exactly one character and every such character one code.
namespace windows1252 {

namespace detail {

// Characters of the codes 0x80 to 0x9F; the rest is Latin-1.
// clang-format off
inline constexpr std::array<char16_t, 32> kCharacters80To9F = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
// clang-format on

inline constexpr std::array<char16_t, 256> kCharacters = [] {
    std::array<char16_t, 256> characters{};
    for (int code = 0; code < 256; ++code)
        characters[code] = static_cast<char16_t>(code);
    for (int code = 0x80; code <= 0x9F; ++code)
        characters[code] = kCharacters80To9F[code - 0x80];
    return characters;
}();

// Codes by character up to the highest one, U+2122; -1 where there is none.
inline constexpr std::size_t kCodeTableSize = 0x2123;
inline constexpr std::array<std::int16_t, kCodeTableSize> kCodes = [] {
    std::array<std::int16_t, kCodeTableSize> codes{};
    codes.fill(-1);
    for (int code = 0; code < 256; ++code)
        codes[kCharacters[code]] = static_cast<std::int16_t>(code);
    return codes;
}();

} // namespace detail

// The character's code, or -1 when the code page has none for it.
[[nodiscard]] inline int CodeOf(char16_t character) noexcept
{
    return character < detail::kCodeTableSize ? detail::kCodes[character] : -1;
}

[[nodiscard]] inline char16_t CharacterOf(std::uint8_t code) noexcept
{
    return detail::kCharacters[code];
}

} // namespace windows1252

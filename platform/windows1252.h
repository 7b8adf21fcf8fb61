#pragma once

#include <cstdint>

// Windows-1252 as a complete table: the five bytes the code page leaves
// unassigned stand for the C1 control of the same value, so every code
// 0-255 has exactly one character and every such character one code.
namespace windows1252 {

namespace detail {
[[nodiscard]] int CodeOfSpecial(char16_t character) noexcept;
}

// The character's code, or -1 when the code page has none for it.
[[nodiscard]] inline int CodeOf(char16_t character) noexcept
{
    // Latin-1 and Windows-1252 agree everywhere but 0x80-0x9F.
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return character;
    return detail::CodeOfSpecial(character);
}

[[nodiscard]] char16_t CharacterOf(std::uint8_t code) noexcept;

} // namespace windows1252

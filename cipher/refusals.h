#pragma once

#include <cstddef>
#include <string_view>

// The cipher's refusals of a key or a text, each thrown as a Failure with its
// French message. Positions and group numbers count from 1, as the user counts.
namespace refusals {

[[noreturn]] void EmptyKey();
[[noreturn]] void KeyCharacterWithoutCode(std::u16string_view key, std::size_t index);
[[noreturn]] void TextCharacterWithoutCode(std::u16string_view text, std::size_t index);
[[noreturn]] void NotADigit(std::u16string_view cipher, std::size_t index);
[[noreturn]] void GroupOutOfRange(std::size_t groupIndex, int value, int digitCount);

} // namespace refusals

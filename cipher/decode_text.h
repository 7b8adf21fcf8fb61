#pragma once

#include <string>
#include <string_view>

// The plain text of `cipher` under `key`, undoing EncodeText: each group of
// three digits, and a last group of one or two, gives one character. Blanks,
// tabs and line breaks anywhere are skipped first, as mail programs add them.
// Throws Failure for an empty key with groups to decode, a key character that
// Windows-1252 cannot hold, any other character than a digit, and a group
// over 255.
[[nodiscard]] std::u16string DecodeText(std::u16string_view cipher, std::u16string_view key);

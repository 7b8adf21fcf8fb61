#pragma once

#include <string>
#include <string_view>

// The cipher text of `plain` under `key`: for each character, its
// Windows-1252 code exclusive-or the code of the key character in turn,
// written as three decimal digits ("000" to "255"), with nothing between.
// Throws Failure for an empty key with a non-empty text, and for a text or
// key character that Windows-1252 cannot hold.
[[nodiscard]] std::string EncodeText(std::u16string_view plain, std::u16string_view key);

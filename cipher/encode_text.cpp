#include "cipher/encode_text.h"

#include "cipher/refusals.h"
#include "cipher/key_codes.h"
#include "cipher/windows1252.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Each group padded to four bytes, so that it is stored in one move; the
// next group overwrites the padding.
constexpr std::array<std::array<char, 4>, 256> kGroups = [] {
    std::array<std::array<char, 4>, 256> groups{};
    for (int value = 0; value < 256; ++value) {
        groups[value] = {static_cast<char>('0' + value / 100), static_cast<char>('0' + value / 10 % 10),
                         static_cast<char>('0' + value % 10), '\0'};
    }
    return groups;
}();

constexpr std::size_t kChunk = 4096;

} // namespace

std::string EncodeText(std::u16string_view plain, std::u16string_view key)
{
    KeyCodes keyCodes(key, plain.size());
    std::string cipher;
    cipher.reserve(plain.size() * 3);
    // Groups go through a small buffer that stays in cache: sizing the result
    // up front would write all of it twice, first with zeros.
    std::array<char, kChunk * 3 + 1> chunk;
    for (std::size_t start = 0; start < plain.size(); start += kChunk) {
        const std::size_t end = std::min(plain.size(), start + kChunk);
        char* out = chunk.data();
        for (std::size_t i = start; i < end; ++i, out += 3) {
            const int keyCode = keyCodes.Next();
            const int code = windows1252::CodeOf(plain[i]);
            if (code < 0)
                refusals::TextCharacterWithoutCode(plain, i);
            std::memcpy(out, kGroups[static_cast<unsigned>(code ^ keyCode)].data(), 4);
        }
        cipher.append(chunk.data(), out);
    }
    return cipher;
}

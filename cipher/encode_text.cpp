#include "cipher/encode_text.h"

#include "cipher/failures.h"
#include "cipher/key_codes.h"
#include "platform/windows1252.h"

#include <array>
#include <cstring>

namespace {

constexpr std::array<std::array<char, 3>, 256> kGroups = [] {
    std::array<std::array<char, 3>, 256> groups{};
    for (int value = 0; value < 256; ++value) {
        groups[value] = {static_cast<char>('0' + value / 100),
                         static_cast<char>('0' + value / 10 % 10),
                         static_cast<char>('0' + value % 10)};
    }
    return groups;
}();

} // namespace

std::string EncodeText(std::u16string_view plain, std::u16string_view key)
{
    KeyCodes keyCodes(key, plain.size());
    std::string cipher(plain.size() * 3, '\0');
    char* out = cipher.data();
    for (std::size_t i = 0; i < plain.size(); ++i, out += 3) {
        const int keyCode = keyCodes.Next();
        const int code = windows1252::CodeOf(plain[i]);
        if (code < 0)
            failures::TextCharacterWithoutCode(plain, i);
        std::memcpy(out, kGroups[static_cast<unsigned>(code ^ keyCode)].data(), 3);
    }
    return cipher;
}

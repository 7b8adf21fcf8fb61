// DecodeText on any input and key: it either fails with a Failure or gives a
// text that EncodeText turns back into the same digits, each group padded to
// three. Input: a key length byte, the key as UTF-16 (two bytes a unit), and
// the cipher text one byte a unit, so that digits and blanks come often.
#include "cipher/decode_text.h"
#include "cipher/encode_text.h"
#include "cipher/failure.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t keyBytes = std::min<std::size_t>(2 * (data[0] % 16), size - 1);
    std::u16string key(keyBytes / 2, u'\0');
    std::memcpy(key.data(), data + 1, key.size() * 2);
    const std::u16string cipher(data + 1 + keyBytes, data + size);

    std::u16string plain;
    try {
        plain = DecodeText(cipher, key);
    } catch (const Failure&) {
        return 0;
    }
    std::string digits;
    for (const char16_t c : cipher) {
        if (c >= u'0' && c <= u'9')
            digits += static_cast<char>(c);
    }
    std::string padded;
    for (std::size_t i = 0; i < digits.size(); i += 3) {
        const std::string group = digits.substr(i, 3);
        padded += std::string(3 - group.size(), '0') + group;
    }
    if (EncodeText(plain, key) != padded)
        __builtin_trap();
    return 0;
}

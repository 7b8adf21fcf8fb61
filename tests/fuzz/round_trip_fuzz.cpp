// DecodeText(EncodeText(text, key), key) == text for any Windows-1252 text
// and non-empty key, also once the cipher text is wrapped as a mail program
// would. Input: a key length byte, then the key and the text, a code a byte.
#include "cipher/decode_text.h"
#include "cipher/encode_text.h"
#include "cipher/windows1252.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

std::u16string Characters(const std::uint8_t* codes, std::size_t count)
{
    std::u16string text(count, u'\0');
    std::transform(codes, codes + count, text.begin(), windows1252::CharacterOf);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::size_t keyLength = std::min<std::size_t>(1 + data[0] % 32, size - 1);
    const std::u16string key = Characters(data + 1, keyLength);
    const std::u16string text = Characters(data + 1 + keyLength, size - 1 - keyLength);

    const std::string cipher = EncodeText(text, key);
    if (cipher.size() != 3 * text.size() || cipher.find_first_not_of("0123456789") != std::string::npos)
        __builtin_trap();
    std::u16string wrapped;
    for (std::size_t i = 0; i < cipher.size(); ++i)
        wrapped
            += (i % 76 == 75) ? std::u16string(u"\r\n") + char16_t(cipher[i]) : std::u16string(1, cipher[i]);
    if (DecodeText(std::u16string(cipher.begin(), cipher.end()), key) != text
        || DecodeText(wrapped, key) != text)
        __builtin_trap();
    return 0;
}

#include "cipher/decode_text.h"

#include "cipher/failures.h"
#include "cipher/key_codes.h"
#include "platform/windows1252.h"

namespace {

bool IsBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

} // namespace

std::u16string DecodeText(std::u16string_view cipher, std::u16string_view key)
{
    // Blanks only ever shorten the result, so this bound sizes it once.
    const std::size_t mostGroups = (cipher.size() + 2) / 3;
    KeyCodes keyCodes(key, mostGroups);
    std::u16string plain(mostGroups, u'\0');
    std::size_t groups = 0;
    int value = 0;
    int digitCount = 0;

    const auto closeGroup = [&] {
        const int keyCode = keyCodes.Next();
        if (value > 255)
            failures::GroupOutOfRange(groups, value, digitCount);
        plain[groups++] = windows1252::CharacterOf(static_cast<std::uint8_t>(value ^ keyCode));
        value = 0;
        digitCount = 0;
    };

    for (std::size_t i = 0; i < cipher.size(); ++i) {
        const char16_t c = cipher[i];
        if (c >= u'0' && c <= u'9') {
            value = value * 10 + (c - u'0');
            if (++digitCount == 3)
                closeGroup();
        } else if (!IsBlank(c)) {
            failures::NotADigit(cipher, i);
        }
    }
    if (digitCount > 0)
        closeGroup();
    plain.resize(groups);
    return plain;
}

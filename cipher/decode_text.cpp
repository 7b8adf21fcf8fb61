#include "cipher/decode_text.h"

#include "cipher/refusals.h"
#include "cipher/key_codes.h"
#include "cipher/windows1252.h"

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
            refusals::GroupOutOfRange(groups, value, digitCount);
        plain[groups++] = windows1252::CharacterOf(static_cast<std::uint8_t>(value ^ keyCode));
        value = 0;
        digitCount = 0;
    };

    const char16_t* text = cipher.data();
    const std::size_t size = cipher.size();
    for (std::size_t i = 0; i < size;) {
        // Nearly always a whole group of three digits comes next.
        if (digitCount == 0 && i + 3 <= size) {
            const unsigned hundreds = text[i] - u'0', tens = text[i + 1] - u'0', units = text[i + 2] - u'0';
            if (hundreds <= 9 && tens <= 9 && units <= 9) {
                value = static_cast<int>(hundreds * 100 + tens * 10 + units);
                digitCount = 3;
                closeGroup();
                i += 3;
                continue;
            }
        }
        const char16_t c = text[i];
        if (c >= u'0' && c <= u'9') {
            value = value * 10 + (c - u'0');
            if (++digitCount == 3)
                closeGroup();
        } else if (!IsBlank(c)) {
            refusals::NotADigit(cipher, i);
        }
        ++i;
    }
    if (digitCount > 0)
        closeGroup();
    plain.resize(groups);
    return plain;
}

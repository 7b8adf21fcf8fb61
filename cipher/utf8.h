#pragma once

#include <string>
#include <string_view>

// UTF-8, written by hand so that the core needs nothing beyond the standard library.
namespace utf8 {

inline void Append(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// A lone half of a surrogate pair becomes U+FFFD, as it has no UTF-8 form.
// Written by index into a buffer sized once: no call per character, which
// a WebAssembly build with exceptions would pay dearly.
[[nodiscard]] inline std::string FromUtf16(std::u16string_view text)
{
    std::string out(text.size() * 3, '\0'); // a pair's four bytes stand for two units
    char* end = out.data();
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00
            && text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        if (c < 0x80) {
            *end++ = static_cast<char>(c);
        } else if (c < 0x800) {
            *end++ = static_cast<char>(0xC0 | (c >> 6));
            *end++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *end++ = static_cast<char>(0xE0 | (c >> 12));
            *end++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *end++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            *end++ = static_cast<char>(0xF0 | (c >> 18));
            *end++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            *end++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *end++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out.resize(static_cast<std::size_t>(end - out.data()));
    return out;
}

// Each malformed byte becomes U+FFFD, as browsers decode.
[[nodiscard]] inline std::u16string ToUtf16(std::string_view utf8)
{
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000}; // below which a form is overlong
    std::u16string out(utf8.size(), u'\0'); // never more units than bytes
    char16_t* end = out.data();
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1
            : lead >> 5 == 0x6                 ? 2
            : lead >> 4 == 0xE                 ? 3
            : lead >> 3 == 0x1E                ? 4
                                               : 0;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        bool valid = length > 0 && i + length <= utf8.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = c << 6 | (next & 0x3F);
        }
        if (!valid || c < kLeast[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            *end++ = u'\uFFFD';
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            *end++ = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            *end++ = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            *end++ = static_cast<char16_t>(c);
        }
        i += length;
    }
    out.resize(static_cast<std::size_t>(end - out.data()));
    return out;
}

} // namespace utf8

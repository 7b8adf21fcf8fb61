#pragma once

#include <windows.h>

#include <climits>
#include <new>
#include <string>
#include <string_view>

// The program's UTF-8 texts as the UTF-16 that the W functions take, written
// once for every UTF-16 text of the Win32 side.

// The UTF-16 units of `utf8`; bad_alloc past what one call can convert.
[[nodiscard]] inline int WideLength(std::string_view utf8)
{
    if (utf8.size() > INT_MAX)
        throw std::bad_alloc();
    return utf8.empty()
        ? 0
        : MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
}

// Writes the WideLength(utf8) units of `utf8` to `out`.
inline void Widen(std::string_view utf8, wchar_t* out, int units)
{
    if (units > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out, units);
}

[[nodiscard]] inline std::wstring Widen(std::string_view utf8)
{
    std::wstring wide(static_cast<std::size_t>(WideLength(utf8)), L'\0');
    Widen(utf8, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

#pragma once

#include <windows.h>

#include <new>
#include <string>
#include <string_view>

// The program's UTF-8 texts as the UTF-16 that the W functions take.
[[nodiscard]] inline std::wstring Widen(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    if (utf8.size() > INT_MAX)
        throw std::bad_alloc();
    const int size = static_cast<int>(utf8.size());
    std::wstring wide(
        static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

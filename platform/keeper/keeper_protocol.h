#pragma once

// What Brouillamine and its keepers agree on. The program writes to a
// keeper's standard input one line, "secret" or "plain", the text's size in
// bytes and, on X11, the time at which it took the clipboard (0 elsewhere),
// then the text in UTF-8; the keeper answers on its standard output whether
// it took the clipboard, and then serves the same formats as the program did.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace keeper {

inline constexpr char kSecret[] = "secret";
inline constexpr char kPlain[] = "plain";
inline constexpr char kTaken[] = "ok\n";
// Another program took the clipboard since the time given: its text stays.
inline constexpr char kSuperseded[] = "superseded\n";
// The keeper cannot set the clipboard here (a Wayland compositor that
// offers no data-control): the program keeps serving it itself.
inline constexpr char kUnable[] = "unable\n";

// The target that asks clipboard-history managers to keep a text out of
// their history, with kSecret as its value; the text itself goes as
// kTextTarget, UTF8_STRING, STRING and TEXT, as Qt serves it.
inline constexpr char kSecretHintTarget[] = "x-kde-passwordManagerHint";
inline constexpr char kTextTarget[] = "text/plain";

struct Header {
    bool secret;
    std::size_t size;
    std::uint32_t time;
};

[[nodiscard]] std::string WriteHeader(const Header& header);
// The header line that WriteHeader wrote, newline included; none when
// `line` is anything else.
[[nodiscard]] std::optional<Header> ParseHeader(std::string_view line);

struct HandedText {
    bool secret;
    std::uint32_t time;
    std::string text;
};

// The header and the whole text from `input`; none when either is not
// what the program writes.
[[nodiscard]] std::optional<HandedText> ReadHandedText(std::FILE* input);

} // namespace keeper

#pragma once

// What Brouillamine and brouillamine-keeper agree on. The program writes to
// the keeper's standard input one line, "secret" or "plain", the text's size
// in bytes and the time at which it took the clipboard, then the text in
// UTF-8; the keeper answers on its standard output whether it took the
// clipboard, and then serves the same targets as the program did.

#include <cstddef>
#include <cstdint>
#include <string>

namespace keeper {

inline constexpr char kSecret[] = "secret";
inline constexpr char kPlain[] = "plain";
inline constexpr char kTaken[] = "ok\n";
// Another program took the clipboard since the time given: its text stays.
inline constexpr char kSuperseded[] = "superseded\n";

// The target that asks clipboard-history managers to keep a text out of
// their history, with kSecret as its value; the text itself goes as
// kTextTarget, UTF8_STRING, STRING and TEXT, as Qt serves it.
inline constexpr char kSecretHintTarget[] = "x-kde-passwordManagerHint";
inline constexpr char kTextTarget[] = "text/plain";

[[nodiscard]] inline std::string Header(bool secret, std::size_t size, std::uint32_t time)
{
    return std::string(secret ? kSecret : kPlain) + ' ' + std::to_string(size) + ' ' + std::to_string(time)
        + '\n';
}

} // namespace keeper

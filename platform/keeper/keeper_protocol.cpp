#include "platform/keeper/keeper_protocol.h"

#include <charconv>

namespace keeper {

namespace {

// The longest line WriteHeader writes: a word, two numbers of at most ten digits.
constexpr std::size_t kLongestHeader = sizeof kSecret + 11 + 11;

// A decimal number of 32 bits at the start of `text`, and what follows it.
std::optional<std::uint32_t> TakeNumber(std::string_view& text)
{
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data())
        return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return value;
}

} // namespace

std::string WriteHeader(const Header& header)
{
    return std::string(header.secret ? kSecret : kPlain) + ' ' + std::to_string(header.size) + ' '
        + std::to_string(header.time) + '\n';
}

std::optional<Header> ParseHeader(std::string_view line)
{
    Header header{};
    const std::string_view word = line.substr(0, line.find(' '));
    if (word != kSecret && word != kPlain)
        return std::nullopt;
    header.secret = word == kSecret;
    line.remove_prefix(word.size());
    if (!line.starts_with(' '))
        return std::nullopt;
    line.remove_prefix(1);
    const std::optional<std::uint32_t> size = TakeNumber(line);
    if (!size || !line.starts_with(' '))
        return std::nullopt;
    line.remove_prefix(1);
    const std::optional<std::uint32_t> time = TakeNumber(line);
    if (!time || line != "\n")
        return std::nullopt;
    header.size = *size;
    header.time = *time;
    return header;
}

std::optional<HandedText> ReadHandedText(std::FILE* input)
{
    std::string line;
    for (int c = 0; line.size() <= kLongestHeader && c != '\n';) {
        if ((c = std::getc(input)) == EOF)
            return std::nullopt;
        line += static_cast<char>(c);
    }
    const std::optional<Header> header = ParseHeader(line);
    if (!header)
        return std::nullopt;
    std::string text(header->size, '\0');
    if (std::fread(text.data(), 1, text.size(), input) != text.size())
        return std::nullopt;
    return HandedText{header->secret, header->time, std::move(text)};
}

} // namespace keeper

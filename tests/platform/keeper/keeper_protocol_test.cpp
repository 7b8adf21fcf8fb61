#include "platform/keeper/keeper_protocol.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

TEST(KeeperProtocol, HeadersReadBackAsWritten)
{
    for (const keeper::Header header : {keeper::Header{true, 0, 0}, keeper::Header{false, 42, 1234567},
                                        keeper::Header{true, 0xFFFFFFFFu, 0xFFFFFFFFu}}) {
        const std::optional<keeper::Header> parsed = keeper::ParseHeader(keeper::WriteHeader(header));
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->secret, header.secret);
        EXPECT_EQ(parsed->size, header.size);
        EXPECT_EQ(parsed->time, header.time);
    }
}

TEST(KeeperProtocol, MalformedHeadersAreRefused)
{
    for (const char* line : {
             "plain 5 0", // no newline
             "public 5 0\n", // an unknown word
             "plain 4294967296 0\n", // a size above 32 bits
             "plain 5 4294967296\n", // a time above 32 bits
             "plain -5 0\n", // a sign
             "plain 5\n", // no time
             "plain  5 0\n", // two blanks
             "plain 5 0 \n", // something after the time
             "secret5 0\n", // no blank after the word
             "",
         })
        EXPECT_FALSE(keeper::ParseHeader(line)) << line;
}

std::optional<keeper::HandedText> Read(const std::string& input)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
        fmemopen(const_cast<char*>(input.data()), input.size(), "r"), std::fclose);
    return keeper::ReadHandedText(file.get());
}

TEST(KeeperProtocol, TheTextIsReadWholeOrNotAtAll)
{
    const std::optional<keeper::HandedText> handed = Read("secret 7 99\nBonjour");
    ASSERT_TRUE(handed);
    EXPECT_TRUE(handed->secret);
    EXPECT_EQ(handed->time, 99u);
    EXPECT_EQ(handed->text, "Bonjour");
    EXPECT_FALSE(Read("plain 8 0\nBonjour")); // a size larger than the data sent
    EXPECT_FALSE(Read(std::string(100, '7'))); // no line at all
}

} // namespace

#include "cipher/key_codes.h"

#include "cipher/refusals.h"
#include "cipher/windows1252.h"

#include <algorithm>

KeyCodes::KeyCodes(std::u16string_view key, std::size_t uses)
    : key_(key)
{
    if (uses == 0)
        return;
    // An empty key is one position without a code: it fails at first use.
    codes_.resize(std::max<std::size_t>(1, std::min(key.size(), uses)), -1);
    for (std::size_t i = 0; i < codes_.size() && i < key.size(); ++i)
        codes_[i] = static_cast<std::int16_t>(windows1252::CodeOf(key[i]));
}

void KeyCodes::FailAt(std::size_t index) const
{
    if (key_.empty())
        refusals::EmptyKey();
    refusals::KeyCharacterWithoutCode(key_, index);
}

#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// The codes of the key characters that `uses` characters of text consult,
// in order, the key wrapping from its end to its start. A character the code
// page cannot hold is -1 here and fails only where it is used, so a key
// longer than the text is never blamed for the part no one reads.
class KeyCodes {
public:
    KeyCodes(std::u16string_view key, std::size_t uses);

    // The code for the next character, moving the key position on.
    [[nodiscard]] int Next()
    {
        const int code = codes_[position_];
        if (code < 0)
            FailAt(position_);
        if (++position_ == codes_.size())
            position_ = 0;
        return code;
    }

private:
    [[noreturn]] void FailAt(std::size_t index) const;

    std::u16string_view key_;
    std::vector<std::int16_t> codes_;
    std::size_t position_ = 0;
};

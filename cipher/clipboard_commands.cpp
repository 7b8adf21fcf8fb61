#include "cipher/clipboard_commands.h"

#include "cipher/decode_text.h"
#include "cipher/encode_text.h"
#include "cipher/clipboard.h"
#include "cipher/utf8.h"

void EncryptClipboard(Clipboard& clipboard, std::u16string_view key)
{
    std::u16string plain = clipboard.ReadText();
    const std::string cipher = EncodeText(plain, key);
    std::u16string().swap(plain); // no need to hold the text beside its cipher text while writing
    clipboard.WriteText(cipher, Sensitivity::Plain);
}

void DecryptClipboard(Clipboard& clipboard, std::u16string_view key)
{
    std::u16string cipher = clipboard.ReadText();
    const std::u16string plain = DecodeText(cipher, key);
    std::u16string().swap(cipher);
    clipboard.WriteText(utf8::FromUtf16(plain), Sensitivity::Secret);
}

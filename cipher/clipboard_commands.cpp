#include "cipher/clipboard_commands.h"

#include "cipher/clipboard.h"
#include "cipher/decode_text.h"
#include "cipher/encode_text.h"
#include "cipher/utf8.h"

void EncryptClipboard(Clipboard& clipboard, std::u16string_view key, const std::function<bool()>& keepWaiting)
{
    ClipboardText plain = clipboard.ReadText(keepWaiting);
    const std::string cipher = EncodeText(plain.text, key);
    std::u16string().swap(plain.text); // no need to hold the text beside its cipher text while writing
    clipboard.WriteText(cipher, Sensitivity::Plain, plain.mark);
}

void DecryptClipboard(Clipboard& clipboard, std::u16string_view key, const std::function<bool()>& keepWaiting)
{
    ClipboardText cipher = clipboard.ReadText(keepWaiting);
    const std::u16string plain = DecodeText(cipher.text, key);
    std::u16string().swap(cipher.text);
    clipboard.WriteText(utf8::FromUtf16(plain), Sensitivity::Secret, cipher.mark);
}

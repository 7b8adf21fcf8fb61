#include "cipher/clipboard_commands.h"

#include "cipher/decode_text.h"
#include "cipher/encode_text.h"
#include "platform/clipboard.h"

#include <QString>

namespace {

std::u16string_view View(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

} // namespace

void EncryptClipboard(const QString& key)
{
    QString plain = ReadClipboardText();
    const std::string cipher = EncodeText(View(plain), View(key));
    plain.clear(); // no need to hold the text beside its cipher text while writing
    WriteClipboardText(QByteArray(cipher.data(), static_cast<qsizetype>(cipher.size())), Sensitivity::Plain);
}

void DecryptClipboard(const QString& key)
{
    QString cipher = ReadClipboardText();
    const std::u16string plain = DecodeText(View(cipher), View(key));
    cipher.clear();
    // The deciphered text is what the key protected: keep it out of histories.
    WriteClipboardText(QStringView(plain).toUtf8(), Sensitivity::Secret);
}

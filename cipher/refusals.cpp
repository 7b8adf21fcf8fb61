#include "cipher/refusals.h"

#include "cipher/failure.h"
#include "cipher/utf8.h"

#include <cstdio>
#include <string>

namespace refusals {
namespace {

// "« π » (U+03C0)", or only "U+0085" for what cannot be shown: controls and
// halves of a surrogate pair. A whole pair is named as the one character it is.
std::string Describe(std::u16string_view text, std::size_t index)
{
    char32_t c = text[index];
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    if (high && index + 1 < text.size() && text[index + 1] >= 0xDC00 && text[index + 1] <= 0xDFFF)
        c = 0x10000 + ((c - 0xD800) << 10) + (text[index + 1] - 0xDC00);

    char codePoint[16];
    std::snprintf(codePoint, sizeof codePoint, "U+%04X", static_cast<unsigned>(c));
    const bool showable = c >= 0x20 && !(c >= 0x7F && c <= 0x9F) && !(c >= 0xD800 && c <= 0xDFFF);
    if (!showable)
        return std::string("le caractère ") + codePoint;
    std::string out = "le caractère « ";
    utf8::Append(out, c);
    return out + " » (" + codePoint + ")";
}

} // namespace

void EmptyKey()
{
    throw Failure("La clé est vide. Tapez une clé, puis recommencez.");
}

void KeyCharacterWithoutCode(std::u16string_view key, std::size_t index)
{
    throw Failure("La clé ne peut pas servir : " + Describe(key, index) + ", en position "
                  + std::to_string(index + 1)
                  + " de la clé, n'existe pas dans le jeu de caractères Windows-1252. "
                    "Choisissez une clé sans ce caractère, puis recommencez.");
}

void TextCharacterWithoutCode(std::u16string_view text, std::size_t index)
{
    throw Failure("Le presse-papier ne peut pas être chiffré : " + Describe(text, index) + ", en position "
                  + std::to_string(index + 1)
                  + " du texte, n'existe pas dans le jeu de caractères Windows-1252. "
                    "Retirez-le ou remplacez-le, copiez le texte à nouveau, puis recommencez. "
                    "Le presse-papier n'a pas été modifié.");
}

void NotADigit(std::u16string_view cipher, std::size_t index)
{
    throw Failure("Le presse-papier ne contient pas un texte chiffré : " + Describe(cipher, index)
                  + ", en position " + std::to_string(index + 1)
                  + ", n'est pas un chiffre. Copiez le texte chiffré en entier et seul, "
                    "puis recommencez. Le presse-papier n'a pas été modifié.");
}

void GroupOutOfRange(std::size_t groupIndex, int value, int digitCount)
{
    std::string digits = std::to_string(value);
    digits.insert(0, static_cast<std::size_t>(digitCount) - digits.size(), '0');
    throw Failure("Le presse-papier ne contient pas un texte chiffré valide : le groupe n° "
                  + std::to_string(groupIndex + 1) + ", « " + digits
                  + " », dépasse 255 et ne correspond à aucun caractère. "
                    "Vérifiez que le texte chiffré a été copié en entier et sans modification. "
                    "Le presse-papier n'a pas été modifié.");
}

} // namespace refusals

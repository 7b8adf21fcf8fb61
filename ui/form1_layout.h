#pragma once

// Form1, the program's only window, as one description that every front-end
// builds from: its title, its client area and its controls in tab order, each
// with its place in twips and the command its click runs.
namespace form1 {

struct Twips {
    int left, top, width, height;
};

enum class Kind { Button, TextField, Label };

enum class Command { None, EncryptClipboard, DecryptClipboard, QuitProgram, OpenTextEditor };

// The commands that read the clipboard, and so may wait for it.
[[nodiscard]] constexpr bool ReadsClipboard(Command command)
{
    return command == Command::EncryptClipboard || command == Command::DecryptClipboard;
}

struct Control {
    const char* name;
    Kind kind;
    const char* text; // UTF-8
    Twips twips;
    Command click;
};

inline constexpr char kTitle[] = "   Clipboard Brouillamine      V 6.0";
inline constexpr Twips kClientArea = {0, 0, 4350, 1920};

// In tab order. Label1 runs 15 twips past the client area, which cuts it.
// clang-format off
inline constexpr Control kControls[] = {
    {"Command1", Kind::Button,    "CRYPTER le presse-papier",   {240,  120,  1455, 495}, Command::EncryptClipboard},
    {"key",      Kind::TextField, "Mwé",                        {240,  840,  2055, 285}, Command::None},
    {"Command2", Kind::Button,    "DECRYPTER le presse-papier", {2640, 120,  1455, 495}, Command::DecryptClipboard},
    {"Label1",   Kind::Label,     "© l'atelier Brouillamine",   {1680, 1320, 2415, 615}, Command::None},
    {"Command3", Kind::Button,    "Quitter",                    {2880, 840,  1095, 375}, Command::QuitProgram},
    {"Command4", Kind::Button,    "Bloc Note",                  {120,  1320, 1095, 375}, Command::OpenTextEditor},
};
// clang-format on

} // namespace form1

#pragma once

// Brouillamine on Windows. The road of a click: Form1, built from the shared
// description in ui/form1_layout.h, hears the button's click and runs its
// command with the key field's text (EncryptClipboard, DecryptClipboard in
// cipher/ over Win32Clipboard; QuitProgram and OpenTextEditor in
// ui/win32/commands). Any failure is thrown as a Failure carrying a French
// message, which Form1 shows in a message box; the program goes on.

#include "platform/win32/scoped_handles.h"
#include "ui/form1_layout.h"

#include <windows.h>

#include <array>
#include <iterator>
#include <string>

class Form1 {
public:
    // Creates and shows the window, the focus on Command1.
    explicit Form1(HINSTANCE instance);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    [[nodiscard]] HWND window() const { return window_; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    // Sizes the window and places its controls at `dpi`, with the message font made for it.
    void LayOut(UINT dpi);
    void PaintBackground(HDC dc) const;
    void RunCommand(form1::Command command);
    [[nodiscard]] std::wstring KeyText() const;

    HINSTANCE instance_;
    HWND window_ = nullptr;
    std::array<HWND, std::size(form1::kControls)> controls_{};
    HWND key_ = nullptr;
    HWND label_ = nullptr;
    HWND focus_ = nullptr; // given back when the window is active again
    ScopedGdiObject<HFONT> font_;
    ScopedGdiObject<HFONT> captionFont_;
    ScopedGdiObject<HBITMAP> background_;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
};

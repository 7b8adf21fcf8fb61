#pragma once

// Form1 on Windows: a Win32 window, Win32Clipboard, the system's Notepad.

#include "platform/win32/scoped_handles.h"
#include "platform/win32/win32_clipboard.h"
#include "ui/form1_clicks.h"

#include <windows.h>

#include <array>
#include <iterator>
#include <optional>
#include <string>

class Form1 : private Form1Clicks {
public:
    // Creates and shows the window, the focus on Command1.
    explicit Form1(HINSTANCE instance);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Null when the window could not be made.
    [[nodiscard]] HWND window() const { return window_; }

    // What the message loops do with each message, the main one and the one
    // that runs while the clipboard is read.
    void HandleMessage(MSG& message);

private:
    // Enter presses the button that has the focus, however it got it, and
    // nothing in the key field; Escape presses nothing. True when `message`
    // was such a key, which the dialog manager must not see: it would press
    // whichever button it last made the default.
    bool TakeEnterOrEscape(const MSG& message);
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    // Sizes the window and places its controls at `dpi`, with the message font made for it.
    void LayOut(UINT dpi);
    void PaintBackground(HDC dc) const;
    Clipboard& clipboard() override { return *clipboard_; }
    [[nodiscard]] std::u16string KeyText() const override;
    void QuitProgram() override;
    void OpenTextEditor() override;
    void ShowFailure(std::string_view message) override;
    [[nodiscard]] bool WindowOpen() const override;

    HINSTANCE instance_;
    HWND window_ = nullptr;
    std::optional<Win32Clipboard> clipboard_; // made once there is a window
    std::array<HWND, std::size(form1::kControls)> controls_{};
    HWND key_ = nullptr;
    HWND label_ = nullptr;
    HWND focus_ = nullptr; // given back when the window is active again
    ScopedGdiObject<HFONT> font_;
    ScopedGdiObject<HFONT> captionFont_;
    ScopedGdiObject<HBITMAP> background_;
    ScopedIcon smallIcon_; // the large one is the system's, shared
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
};

#include "ui/win32/form1.h"

#include "cipher/failure.h"
#include "cipher/messages.h"
#include "platform/win32/error_report.h"
#include "platform/win32/program_start.h"
#include "platform/win32/wide_text.h"
#include "ui/artwork/artwork_ids.h"
#include "ui/form1_geometry.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr wchar_t kClassName[] = L"Brouillamine.Form1";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
// Enter and Escape make the dialog manager send IDOK and IDCANCEL: no control
// may take those numbers, so none is pressed by them.
constexpr int kFirstControlId = 100;

RECT ToPixels(form1::Twips twips, UINT dpi)
{
    const form1::Pixels pixels = form1::ToPixels(twips, static_cast<int>(dpi));
    return {pixels.left, pixels.top, pixels.left + pixels.width, pixels.top + pixels.height};
}

} // namespace

Form1::Form1(HINSTANCE instance)
    : instance_(instance)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(BROUILLAMINE_ICON));
    smallIcon_.reset(
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(BROUILLAMINE_ICON), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
    windowClass.hIconSm = smallIcon_.get();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);
    background_.reset(static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(BROUILLAMINE_BACKGROUND),
                                                      IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));

    // Null, and no stale handle, when the window fails after its first message.
    window_ = CreateWindowExW(0, kClassName, Widen(form1::kTitle).c_str(), kStyle, CW_USEDEFAULT,
                              CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance, this);
    if (window_ == nullptr)
        return;
    clipboard_.emplace([this](MSG& message) { HandleMessage(message); });
    CreateControls();
    LayOut(GetDpiForWindow(window_));
    ShowWindow(window_, SW_SHOWNORMAL);
    SetFocus(controls_[0]);
}

LRESULT CALLBACK Form1::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* form = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form != nullptr && message == WM_NCDESTROY)
        form->window_ = nullptr;
    return form != nullptr ? form->Handle(window, message, wParam, lParam)
                           : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT Form1::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        const int index = LOWORD(wParam) - kFirstControlId;
        if (HIWORD(wParam) == BN_CLICKED && index >= 0 && index < static_cast<int>(controls_.size()))
            HandleClick(form1::kControls[index].click);
        return 0;
    }
    case WM_ERASEBKGND:
        PaintBackground(reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == label_) {
            // The credit lies on the picture, with no box of its own.
            SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        }
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            focus_ = GetFocus();
        } else if (focus_ != nullptr) {
            SetFocus(focus_);
            return 0;
        }
        break;
    case WM_DPICHANGED: {
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        LayOut(HIWORD(wParam));
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Form1::CreateControls()
{
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const form1::Control& control = form1::kControls[i];
        const wchar_t* windowClass = L"STATIC";
        DWORD style = WS_CHILD | WS_VISIBLE;
        DWORD extendedStyle = 0;
        switch (control.kind) {
        case form1::Kind::Button:
            windowClass = L"BUTTON";
            style |= WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE | BS_CENTER | BS_VCENTER;
            break;
        case form1::Kind::TextField:
            windowClass = L"EDIT";
            style |= WS_TABSTOP | ES_AUTOHSCROLL;
            extendedStyle = WS_EX_CLIENTEDGE;
            break;
        case form1::Kind::Label:
            style |= SS_LEFT | SS_NOPREFIX;
            break;
        }
        controls_[i] = CreateWindowExW(
            extendedStyle, windowClass, Widen(control.text).c_str(), style, 0, 0, 0, 0, window_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + i)), instance_, nullptr);
        if (control.kind == form1::Kind::TextField) {
            key_ = controls_[i];
            SendMessageW(key_, EM_SETLIMITTEXT, 0, 0); // no limit but the system's
        }
        if (control.kind == form1::Kind::Label)
            label_ = controls_[i];
    }
}

void Form1::LayOut(UINT dpi)
{
    dpi_ = dpi;
    RECT frame = ToPixels(form1::kClientArea, dpi);
    AdjustWindowRectExForDpi(&frame, kStyle, FALSE, 0, dpi);
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi);
    ScopedGdiObject<HFONT> font(CreateFontIndirectW(&metrics.lfMessageFont));
    // The captions' font: the message font, or smaller where it is too wide.
    const auto fontOfSize = [&metrics](int size) {
        LOGFONTW look = metrics.lfMessageFont;
        look.lfHeight = look.lfHeight < 0 ? -size : size;
        return ScopedGdiObject<HFONT>(CreateFontIndirectW(&look));
    };
    const WindowDc dc(GetDC(window_), {window_});
    ScopedGdiObject<HFONT> measured;
    int measuredSize = 0;
    const form1::FittedCaptions fitted = form1::FitCaptions(
        std::abs(metrics.lfMessageFont.lfHeight), 6,
        [dpi](std::size_t control) {
            return form1::ToPixels(form1::kControls[control].twips, static_cast<int>(dpi)).width
                - 4 * GetSystemMetricsForDpi(SM_CXEDGE, dpi);
        },
        [&](std::u16string_view text, int size) {
            if (size != measuredSize) {
                measured = fontOfSize(size);
                measuredSize = size;
            }
            const Selection selection(dc.get(), {SelectObject(dc.get(), measured.get())});
            SIZE extent{};
            GetTextExtentPoint32W(dc.get(), reinterpret_cast<const wchar_t*>(text.data()),
                                  static_cast<int>(text.size()), &extent);
            return static_cast<int>(extent.cx);
        });
    ScopedGdiObject<HFONT> captionFont = fontOfSize(fitted.fontSize);
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const RECT place = ToPixels(form1::kControls[i].twips, dpi);
        MoveWindow(controls_[i], place.left, place.top, place.right - place.left, place.bottom - place.top,
                   TRUE);
        const bool button = form1::kControls[i].kind == form1::Kind::Button;
        SendMessageW(controls_[i], WM_SETFONT,
                     reinterpret_cast<WPARAM>(button ? captionFont.get() : font.get()), TRUE);
        if (button) {
            std::wstring caption;
            for (const std::u16string& line : fitted.lines[i])
                caption += (caption.empty() ? L"" : L"\r\n") + std::wstring(line.begin(), line.end());
            SetWindowTextW(controls_[i], caption.c_str());
        }
    }
    // The old fonts are let go once no control uses them.
    font_ = std::move(font);
    captionFont_ = std::move(captionFont);
    InvalidateRect(window_, nullptr, TRUE);
}

void Form1::PaintBackground(HDC dc) const
{
    BITMAP picture{};
    if (!background_ || GetObjectW(background_.get(), sizeof picture, &picture) == 0)
        return;
    const ScopedMemoryDc source(CreateCompatibleDC(dc));
    const Selection selection(source.get(), {SelectObject(source.get(), background_.get())});
    // Pixel for pixel at 96 dpi, as drawn; scaled with the rest above it.
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, 0, 0, MulDiv(picture.bmWidth, static_cast<int>(dpi_), USER_DEFAULT_SCREEN_DPI),
               MulDiv(picture.bmHeight, static_cast<int>(dpi_), USER_DEFAULT_SCREEN_DPI), source.get(), 0, 0,
               picture.bmWidth, picture.bmHeight, SRCCOPY);
}

void Form1::QuitProgram()
{
    DestroyWindow(window_); // which ends the message loop
}

void Form1::OpenTextEditor()
{
    if (!StartNotepad())
        throw Failure(messages::kNoNotepad);
}

void Form1::HandleMessage(MSG& message)
{
    // The dialog manager gives Tab, Shift+Tab and Space on a button.
    if (!TakeEnterOrEscape(message) && !IsDialogMessageW(window_, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool Form1::TakeEnterOrEscape(const MSG& message)
{
    if (message.message != WM_KEYDOWN || (message.wParam != VK_RETURN && message.wParam != VK_ESCAPE))
        return false;
    const auto control = std::find(controls_.begin(), controls_.end(), GetFocus());
    if (control == controls_.end())
        return false;
    const std::size_t index = static_cast<std::size_t>(control - controls_.begin());
    // Held down, Enter presses once, as Space does: its repeats are swallowed.
    constexpr LPARAM kRepeat = 1 << 30;
    if (message.wParam == VK_RETURN && form1::kControls[index].kind == form1::Kind::Button
        && (message.lParam & kRepeat) == 0)
        HandleClick(form1::kControls[index].click);
    return true;
}

void Form1::ShowFailure(std::string_view message)
{
    ReportFailure(window_, message);
}

bool Form1::WindowOpen() const
{
    return IsWindowVisible(window_) != FALSE;
}

std::u16string Form1::KeyText() const
{
    std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(key_)) + 1, u'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(key_, reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()))));
    return text;
}

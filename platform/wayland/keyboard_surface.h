#pragma once

// A window of one transparent pixel, shown for a moment by the keeper where
// the compositor offers no data-control (GNOME's mutter, Weston): those take
// a clipboard write only from the client with the keyboard, with the serial
// of its arrival, as wl-copy does there.

#include <wayland-client.h>

#include <chrono>
#include <cstdint>
#include <optional>

struct xdg_surface;
struct xdg_toplevel;
struct xdg_wm_base;

class KeyboardSurface {
public:
    KeyboardSurface() = default;
    ~KeyboardSurface();
    KeyboardSurface(const KeyboardSurface&) = delete;
    KeyboardSurface& operator=(const KeyboardSurface&) = delete;

    // Takes what it needs of the compositor's globals; true for one it took.
    bool Bind(wl_registry* registry, std::uint32_t name, const char* interface);
    [[nodiscard]] bool Bound() const;
    // Shows the window and waits for the keyboard on `seat`, at most
    // `patience`; the serial it came with, or none.
    [[nodiscard]] std::optional<std::uint32_t> TakeKeyboard(wl_display* display, wl_seat* seat,
                                                           std::chrono::milliseconds patience);
    // The window goes; what it set stays.
    void Hide();

private:
    struct Listeners;

    wl_compositor* compositor_ = nullptr;
    wl_shm* shm_ = nullptr;
    xdg_wm_base* shell_ = nullptr;
    wl_surface* surface_ = nullptr;
    xdg_surface* shellSurface_ = nullptr;
    xdg_toplevel* toplevel_ = nullptr;
    wl_buffer* buffer_ = nullptr;
    wl_keyboard* keyboard_ = nullptr;
    bool configured_ = false;
    std::optional<std::uint32_t> entered_;
};

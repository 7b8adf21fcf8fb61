#include "platform/wayland/keyboard_surface.h"

#include "xdg-shell-client-protocol.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

// Dispatches the compositor's events until `done` says so or `deadline`
// passes; false when the connection broke.
template <typename Done> bool DispatchUntil(wl_display* display, Clock::time_point deadline, Done done)
{
    while (!done()) {
        while (wl_display_prepare_read(display) != 0)
            wl_display_dispatch_pending(display);
        wl_display_flush(display);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd readable{wl_display_get_fd(display), POLLIN, 0};
        if (left.count() <= 0 || poll(&readable, 1, static_cast<int>(left.count())) <= 0) {
            wl_display_cancel_read(display);
            return done();
        }
        if (wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0)
            return false;
    }
    return true;
}

} // namespace

// The listeners' functions are those of the protocol's order; most events
// say nothing the window needs.
struct KeyboardSurface::Listeners {
    static constexpr xdg_wm_base_listener kShell = {
        [](void*, xdg_wm_base* shell, std::uint32_t serial) { xdg_wm_base_pong(shell, serial); },
    };
    static constexpr xdg_surface_listener kShellSurface = {
        [](void* data, xdg_surface* surface, std::uint32_t serial) {
            xdg_surface_ack_configure(surface, serial);
            static_cast<KeyboardSurface*>(data)->configured_ = true;
        },
    };
    static constexpr xdg_toplevel_listener kToplevel = {
        [](void*, xdg_toplevel*, std::int32_t, std::int32_t, wl_array*) {},
        [](void*, xdg_toplevel*) {},
        [](void*, xdg_toplevel*, std::int32_t, std::int32_t) {},
        [](void*, xdg_toplevel*, wl_array*) {},
    };
    static constexpr wl_keyboard_listener kKeyboard = {
        [](void*, wl_keyboard*, std::uint32_t, std::int32_t keymap, std::uint32_t) { close(keymap); },
        [](void* data, wl_keyboard*, std::uint32_t serial, wl_surface* surface, wl_array*) {
            auto& self = *static_cast<KeyboardSurface*>(data);
            if (surface == self.surface_)
                self.entered_ = serial;
        },
        [](void*, wl_keyboard*, std::uint32_t, wl_surface*) {},
        [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {},
        [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {},
        [](void*, wl_keyboard*, std::int32_t, std::int32_t) {},
    };
};

KeyboardSurface::~KeyboardSurface()
{
    Hide();
    if (shell_ != nullptr)
        xdg_wm_base_destroy(shell_);
    if (shm_ != nullptr)
        wl_shm_destroy(shm_);
    if (compositor_ != nullptr)
        wl_compositor_destroy(compositor_);
}

bool KeyboardSurface::Bind(wl_registry* registry, std::uint32_t name, const char* interface)
{
    if (std::strcmp(interface, wl_compositor_interface.name) == 0 && compositor_ == nullptr)
        compositor_ = static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 1));
    else if (std::strcmp(interface, wl_shm_interface.name) == 0 && shm_ == nullptr)
        shm_ = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0 && shell_ == nullptr) {
        shell_ = static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
        xdg_wm_base_add_listener(shell_, &Listeners::kShell, this);
    } else {
        return false;
    }
    return true;
}

bool KeyboardSurface::Bound() const
{
    return compositor_ != nullptr && shm_ != nullptr && shell_ != nullptr;
}

std::optional<std::uint32_t> KeyboardSurface::TakeKeyboard(wl_display* display, wl_seat* seat,
                                                           std::chrono::milliseconds patience)
{
    const auto deadline = Clock::now() + patience;
    keyboard_ = wl_seat_get_keyboard(seat);
    wl_keyboard_add_listener(keyboard_, &Listeners::kKeyboard, this);
    surface_ = wl_compositor_create_surface(compositor_);
    shellSurface_ = xdg_wm_base_get_xdg_surface(shell_, surface_);
    xdg_surface_add_listener(shellSurface_, &Listeners::kShellSurface, this);
    toplevel_ = xdg_surface_get_toplevel(shellSurface_);
    xdg_toplevel_add_listener(toplevel_, &Listeners::kToplevel, this);
    xdg_toplevel_set_title(toplevel_, "Brouillamine");
    wl_surface_commit(surface_);
    if (!DispatchUntil(display, deadline, [this] { return configured_; }))
        return std::nullopt;

    // One transparent pixel: a window is shown only with something to show.
    const int memory = memfd_create("brouillamine-pixel", MFD_CLOEXEC);
    if (memory < 0 || ftruncate(memory, 4) != 0) {
        if (memory >= 0)
            close(memory);
        return std::nullopt;
    }
    wl_shm_pool* pool = wl_shm_create_pool(shm_, memory, 4);
    buffer_ = wl_shm_pool_create_buffer(pool, 0, 1, 1, 4, WL_SHM_FORMAT_ARGB8888);
    wl_shm_pool_destroy(pool);
    close(memory);
    wl_surface_attach(surface_, buffer_, 0, 0);
    wl_surface_commit(surface_);
    DispatchUntil(display, deadline, [this] { return entered_.has_value(); });
    return entered_;
}

void KeyboardSurface::Hide()
{
    if (toplevel_ != nullptr)
        xdg_toplevel_destroy(toplevel_);
    if (shellSurface_ != nullptr)
        xdg_surface_destroy(shellSurface_);
    if (surface_ != nullptr)
        wl_surface_destroy(surface_);
    if (buffer_ != nullptr)
        wl_buffer_destroy(buffer_);
    if (keyboard_ != nullptr)
        wl_keyboard_destroy(keyboard_);
    toplevel_ = nullptr;
    shellSurface_ = nullptr;
    surface_ = nullptr;
    buffer_ = nullptr;
    keyboard_ = nullptr;
}

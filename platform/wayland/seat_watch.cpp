#include "platform/wayland/seat_watch.h"

#include <wayland-client.h>

#include <unistd.h>

#include <cstring>

namespace {

// The versions whose events the listeners below know, and which can let
// their objects go; every compositor of this decade offers them.
constexpr std::uint32_t kSeatVersion = 5;

} // namespace

// The listeners' functions are those of the protocol's order; most events
// say nothing the watch needs.
struct WaylandSeatWatch::Listeners {
    static void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t version);
    static void Capabilities(void* data, wl_seat* seat, std::uint32_t capabilities);

    static constexpr wl_registry_listener kRegistry = {
        &Global,
        [](void*, wl_registry*, std::uint32_t) {},
    };
    static constexpr wl_seat_listener kSeat = {
        &Capabilities,
        [](void*, wl_seat*, const char*) {},
    };
    static constexpr wl_keyboard_listener kKeyboard = {
        [](void*, wl_keyboard*, std::uint32_t, std::int32_t keymap, std::uint32_t) { close(keymap); },
        [](void* data, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {
            static_cast<WaylandSeatWatch*>(data)->keyboardHere_ = true;
        },
        [](void* data, wl_keyboard*, std::uint32_t, wl_surface*) {
            static_cast<WaylandSeatWatch*>(data)->keyboardHere_ = false;
        },
        [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {},
        [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {},
        [](void*, wl_keyboard*, std::int32_t, std::int32_t) {},
    };
};

WaylandSeatWatch::WaylandSeatWatch(wl_display* display)
    : display_(display)
    , queue_(wl_display_create_queue(display))
    , onQueue_(static_cast<wl_display*>(wl_proxy_create_wrapper(display)))
{
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(onQueue_), queue_);
    registry_ = wl_display_get_registry(onQueue_);
    wl_registry_add_listener(registry_, &Listeners::kRegistry, this);
}

WaylandSeatWatch::~WaylandSeatWatch()
{
    if (keyboard_ != nullptr)
        wl_keyboard_release(keyboard_);
    if (seat_ != nullptr)
        wl_seat_release(seat_);
    wl_registry_destroy(registry_);
    wl_proxy_wrapper_destroy(onQueue_);
    wl_event_queue_destroy(queue_);
}

bool WaylandSeatWatch::HasKeyboard()
{
    // An object made while hearing the answers is told its own state only
    // in the next ones: the seat its keyboard, the keyboard its focus.
    std::uint64_t made = 0;
    do {
        made = objectsMade_;
        if (wl_display_roundtrip_queue(display_, queue_) < 0)
            break; // the toolkit, on the same connection, says why
    } while (objectsMade_ != made);
    return keyboard_ == nullptr || keyboardHere_;
}

void WaylandSeatWatch::DispatchReceived() const
{
    wl_display_dispatch_pending(display_);
}

void WaylandSeatWatch::RoundTrip() const
{
    wl_display_roundtrip(display_);
}

void WaylandSeatWatch::Listeners::Global(void* data, wl_registry* registry, std::uint32_t name,
                                         const char* interface, std::uint32_t version)
{
    auto& watch = *static_cast<WaylandSeatWatch*>(data);
    // The first seat is the one the toolkit's windows take their input from.
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && watch.seat_ == nullptr
        && version >= kSeatVersion) {
        watch.seat_
            = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, kSeatVersion));
        wl_seat_add_listener(watch.seat_, &kSeat, &watch);
        ++watch.objectsMade_;
    }
}

void WaylandSeatWatch::Listeners::Capabilities(void* data, wl_seat* seat, std::uint32_t capabilities)
{
    auto& watch = *static_cast<WaylandSeatWatch*>(data);
    const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    if (keyboard && watch.keyboard_ == nullptr) {
        watch.keyboard_ = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(watch.keyboard_, &kKeyboard, &watch);
        ++watch.objectsMade_;
    } else if (!keyboard && watch.keyboard_ != nullptr) {
        wl_keyboard_release(watch.keyboard_);
        watch.keyboard_ = nullptr;
        watch.keyboardHere_ = false;
    }
}

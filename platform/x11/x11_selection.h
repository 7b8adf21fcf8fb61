#pragma once

// What reading and serving the X11 CLIPBOARD selection needs in common:
// a connection of our own, its atoms, and waiting for events with a limit.

#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>

namespace x11 {

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename Reply> using Owned = std::unique_ptr<Reply, FreeDeleter>;
using Event = Owned<xcb_generic_event_t>;

inline int EventType(const xcb_generic_event_t* event)
{
    return event->response_type & 0x7F;
}

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    [[nodiscard]] bool Ok() const;
    [[nodiscard]] xcb_connection_t* get() const { return connection_; }
    [[nodiscard]] xcb_atom_t Atom(const char* name) const;
    // A window of our own, never shown, that hears property changes on itself.
    [[nodiscard]] xcb_window_t CreateHiddenWindow() const;
    // The next event `wanted` accepts; null once `patience` passed with none,
    // or when the connection broke.
    [[nodiscard]] Event WaitFor(std::chrono::milliseconds patience,
                                const std::function<bool(const xcb_generic_event_t*)>& wanted) const;
    // The next event of any kind, waiting as long as it takes; null when the connection broke.
    [[nodiscard]] Event Next() const;
    // Tells a requestor its selection request is answered in `property`, or
    // refused when that is none.
    void Notify(const xcb_selection_request_event_t& request, xcb_atom_t property) const;

private:
    xcb_connection_t* connection_;
    xcb_window_t root_ = XCB_NONE;
};

} // namespace x11

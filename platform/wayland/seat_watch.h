#pragma once

// Whether a Wayland compositor takes the program's clipboard writes. It
// ignores in silence those it refuses (mutter's from a window without the
// keyboard, Weston's with an input serial older than the clipboard's), and
// tells the window with the keyboard of each one it takes, before it
// answers the requests that follow: so the program writes only with the
// keyboard, and takes that word, heard by the toolkit, as the proof.
//
// The keyboard is heard on an event queue of its own, over the toolkit's
// connection: the compositor speaks of focus to that connection only. A
// second clipboard device there would not do: mutter then tells neither
// of the clipboard.

#include <cstdint>

struct wl_display;
struct wl_event_queue;
struct wl_keyboard;
struct wl_registry;
struct wl_seat;

class WaylandSeatWatch {
public:
    explicit WaylandSeatWatch(wl_display* display);
    ~WaylandSeatWatch();
    WaylandSeatWatch(const WaylandSeatWatch&) = delete;
    WaylandSeatWatch& operator=(const WaylandSeatWatch&) = delete;

    // Whether a window of the program has the keyboard now; also true on a
    // seat with no keyboard, where no compositor can ask for it.
    [[nodiscard]] bool HasKeyboard();
    // Has the toolkit handle the events already received, and no more.
    void DispatchReceived() const;
    // Has the toolkit handle every answer to the requests made so far: one
    // round trip to the compositor.
    void RoundTrip() const;

private:
    struct Listeners;

    wl_display* display_;
    wl_event_queue* queue_;
    wl_display* onQueue_; // the display, its requests' answers coming to `queue_`
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    wl_keyboard* keyboard_ = nullptr;
    bool keyboardHere_ = false;
    std::uint64_t objectsMade_ = 0; // each is told its state in the answers after its making
};

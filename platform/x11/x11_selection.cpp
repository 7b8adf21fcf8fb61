#include "platform/x11/x11_selection.h"

#include <poll.h>

#include <cstdlib>
#include <cstring>
#include <thread>

namespace x11 {

Connection::Connection()
    : connection_(xcb_connect(nullptr, nullptr))
{
    // A busy server can turn a connection away for a moment; it is worth a few more tries.
    for (int attempt = 0; !Ok() && attempt < 20; ++attempt) {
        xcb_disconnect(connection_);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        connection_ = xcb_connect(nullptr, nullptr);
    }
    if (Ok())
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
}

Connection::~Connection()
{
    // The server can drop a client that closes with events still unread
    // before it has handled the client's last requests (the empty chunk
    // that ends a paste, for one): a round trip makes sure it has.
    if (Ok())
        std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    xcb_disconnect(connection_);
}

bool Connection::Ok() const
{
    return xcb_connection_has_error(connection_) == 0;
}

xcb_atom_t Connection::Atom(const char* name) const
{
    const auto cookie = xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(name)), name);
    const Owned<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection_, cookie, nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

xcb_window_t Connection::CreateHiddenWindow() const
{
    const xcb_window_t window = xcb_generate_id(connection_);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, root_, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
    return window;
}

Event Connection::WaitFor(std::chrono::milliseconds patience,
                          const std::function<bool(const xcb_generic_event_t*)>& wanted) const
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + patience;
    xcb_flush(connection_);
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            Event owned(event);
            if (wanted(event))
                return owned;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (!Ok() || left.count() <= 0)
            return nullptr;
        pollfd descriptor{xcb_get_file_descriptor(connection_), POLLIN, 0};
        poll(&descriptor, 1, static_cast<int>(left.count()) + 1);
    }
}

Event Connection::Next() const
{
    xcb_flush(connection_);
    return Event(xcb_wait_for_event(connection_));
}

void Connection::Notify(const xcb_selection_request_event_t& request, xcb_atom_t property) const
{
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = property;
    xcb_send_event(connection_, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&notify));
    xcb_flush(connection_);
}

} // namespace x11

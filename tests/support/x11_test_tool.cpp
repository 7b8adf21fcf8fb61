// X11 behaviours the tests need and no common tool has:
//   silent          takes the clipboard and never answers a request
//   slow MS TEXT    takes the clipboard and answers every request MS ms late
//   vanishing       takes the clipboard and exits in the middle of a chunked transfer
//   refusing        offers UTF8_STRING, then refuses to convert it
//   unset           offers UTF8_STRING, then names a property it never sets
//   announcing      announces 4 GiB in chunks, and sends "abc"
//   passing TEXT    asked for its text, hands the clipboard to a window of its own and closes
//                   the one asked, unanswered; the new window answers with TEXT
//   overtaken TEXT [NEWER]
//                   answers TEXT, and a window of its own takes the clipboard before the
//                   requestor can read the answer; the new window answers with NEWER (or TEXT)
//   retaken TEXT NEWER
//                   asked for its text, takes the clipboard again with the same window, then
//                   answers TEXT; afterwards it answers NEWER
//   manager         owns CLIPBOARD_MANAGER and never answers, as some clipboard managers do
//   dribbling       sends its text in chunks of one byte, one every 1.5 s, for ever
//   whole SIZE      answers with SIZE bytes of "0123456789…" in one property, no chunks
//   untargeted TEXT refuses TARGETS, and answers UTF8_STRING with TEXT
//   close WINDOW    asks a window to close, as a window manager's close button does
//   reading MS      pastes the clipboard's text in chunks, MS ms apart, asking at a real
//                   time, prints its size, whether the answer bore that time and whether
//                   the paste never ended, and keeps its window until its standard input closes
//   abandoning      asks for the clipboard's text and vanishes before it can come
//   multiple        asks for UTF8_STRING and an unknown target in one MULTIPLE request, and
//                   prints the text and what became of each target
// Owners take the clipboard at a real time and tell it for TIMESTAMP.
// Prints "ready" once it owns the clipboard; ends when it loses it.
#include "platform/x11/x11_selection.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

int CloseWindow(const x11::Connection& x11, xcb_window_t window)
{
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = x11.Atom("WM_PROTOCOLS");
    message.data.data32[0] = x11.Atom("WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    // Waits for the server to have handled it: one sent just before the
    // connection closes can be lost.
    const x11::Owned<xcb_generic_error_t> error(
        xcb_request_check(x11.get(),
                          xcb_send_event_checked(x11.get(), 0, window, XCB_EVENT_MASK_NO_EVENT,
                                                 reinterpret_cast<const char*>(&message))));
    return error ? 1 : 0;
}

// A real time, from the server's note of a change made to `window`'s property for it.
xcb_timestamp_t ServerTime(const x11::Connection& x11, xcb_window_t window)
{
    xcb_change_property(x11.get(), XCB_PROP_MODE_APPEND, window, x11.Atom("TEST_TIME"), XCB_ATOM_STRING, 8, 0,
                        nullptr);
    const x11::Event changed = x11.WaitFor(std::chrono::seconds(2), [](const xcb_generic_event_t* event) {
        return x11::EventType(event) == XCB_PROPERTY_NOTIFY;
    });
    return changed ? reinterpret_cast<const xcb_property_notify_event_t*>(changed.get())->time
                   : xcb_timestamp_t{XCB_CURRENT_TIME};
}

// Waits at most two seconds for each chunk; prints the bytes received and
// whether the answer bore the time of the request, as ICCCM asks.
int ReadSlowly(const x11::Connection& x11, int pause)
{
    const xcb_window_t window = x11.CreateHiddenWindow();
    const xcb_atom_t property = x11.Atom("TEST_PASTE"), incr = x11.Atom("INCR");
    const xcb_timestamp_t asked = ServerTime(x11, window);
    if (asked == XCB_CURRENT_TIME)
        return 1;
    xcb_convert_selection(x11.get(), window, x11.Atom("CLIPBOARD"), x11.Atom("UTF8_STRING"), property, asked);
    const auto next = [&](int kind) {
        return x11.WaitFor(std::chrono::seconds(2), [&](const xcb_generic_event_t* event) {
            return x11::EventType(event) == kind
                && (kind != XCB_PROPERTY_NOTIFY
                    || reinterpret_cast<const xcb_property_notify_event_t*>(event)->state
                        == XCB_PROPERTY_NEW_VALUE);
        });
    };
    std::size_t received = 0;
    bool chunked = false;
    const char* stamp = "unanswered";
    for (x11::Event event = next(XCB_SELECTION_NOTIFY); event; event = next(XCB_PROPERTY_NOTIFY)) {
        if (x11::EventType(event.get()) == XCB_SELECTION_NOTIFY)
            stamp = reinterpret_cast<const xcb_selection_notify_event_t*>(event.get())->time == asked
                ? "stamped"
                : "unstamped";
        const x11::Owned<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            x11.get(),
            xcb_get_property(x11.get(), 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 20),
            nullptr));
        xcb_flush(x11.get());
        if (!reply)
            break;
        const auto length = static_cast<std::size_t>(xcb_get_property_value_length(reply.get()));
        if (reply->type != incr)
            received += length;
        if (!(chunked = chunked || reply->type == incr) || (length == 0 && reply->type != incr)) {
            std::printf("%zu %s\n", received, stamp);
            std::fflush(stdout);
            while (std::getchar() != EOF) { }
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(pause));
    }
    std::printf("%zu %s unended\n", received, stamp);
    return 1;
}

int AskForMultiple(const x11::Connection& x11)
{
    const xcb_window_t window = x11.CreateHiddenWindow();
    const xcb_atom_t pairs = x11.Atom("TEST_PAIRS"), text = x11.Atom("TEST_TEXT"),
                     other = x11.Atom("TEST_OTHER");
    const xcb_atom_t asked[] = {x11.Atom("UTF8_STRING"), text, x11.Atom("TEST_UNKNOWN_TARGET"), other};
    xcb_change_property(x11.get(), XCB_PROP_MODE_REPLACE, window, pairs, x11.Atom("ATOM_PAIR"), 32, 4, asked);
    xcb_convert_selection(x11.get(), window, x11.Atom("CLIPBOARD"), x11.Atom("MULTIPLE"), pairs,
                          XCB_CURRENT_TIME);
    if (!x11.WaitFor(std::chrono::seconds(2), [](const xcb_generic_event_t* event) {
            return x11::EventType(event) == XCB_SELECTION_NOTIFY;
        }))
        return 1;
    const auto property = [&](xcb_atom_t name) {
        const x11::Owned<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            x11.get(), xcb_get_property(x11.get(), 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
            nullptr));
        return reply ? std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                                   static_cast<std::size_t>(xcb_get_property_value_length(reply.get())))
                     : std::string();
    };
    const std::string answered = property(pairs);
    const auto* targets = reinterpret_cast<const xcb_atom_t*>(answered.data());
    std::printf("%s %s %s\n", property(text).c_str(),
                answered.size() == 16 && targets[0] != XCB_NONE ? "kept" : "lost",
                answered.size() == 16 && targets[2] == XCB_NONE ? "refused" : "served");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    x11::Connection x11;
    if (!x11.Ok())
        return 2;
    if (mode == "close" && argc == 3)
        return CloseWindow(x11, static_cast<xcb_window_t>(std::stoul(argv[2])));
    if (mode == "reading" && argc == 3)
        return ReadSlowly(x11, std::stoi(argv[2]));
    if (mode == "multiple")
        return AskForMultiple(x11);
    if (mode == "abandoning") {
        const xcb_window_t window = x11.CreateHiddenWindow();
        xcb_convert_selection(x11.get(), window, x11.Atom("CLIPBOARD"), x11.Atom("UTF8_STRING"),
                              x11.Atom("TEST_PASTE"), XCB_CURRENT_TIME);
        xcb_destroy_window(x11.get(), window);
        xcb_flush(x11.get());
        return 0;
    }
    if (mode != "silent" && mode != "vanishing" && mode != "refusing" && mode != "unset"
        && mode != "announcing" && mode != "dribbling" && mode != "manager" && !(mode == "slow" && argc == 4)
        && !((mode == "passing" || mode == "overtaken" || mode == "whole" || mode == "untargeted")
             && argc == 3)
        && !((mode == "overtaken" || mode == "retaken") && argc == 4)) {
        std::fprintf(
            stderr,
            "usage: x11_test_tool silent | slow MS TEXT | vanishing | refusing | unset | announcing | "
            "dribbling | passing TEXT | overtaken TEXT [NEWER] | retaken TEXT NEWER | whole SIZE | "
            "untargeted TEXT | manager | close WINDOW | reading MS | abandoning | multiple\n");
        return 2;
    }

    const xcb_atom_t clipboard = mode == "manager" ? x11.Atom("CLIPBOARD_MANAGER") : x11.Atom("CLIPBOARD"),
                     targets = x11.Atom("TARGETS"), timestamp = x11.Atom("TIMESTAMP"),
                     utf8 = x11.Atom("UTF8_STRING"), incr = x11.Atom("INCR");
    xcb_window_t window = x11.CreateHiddenWindow();
    xcb_timestamp_t taken = ServerTime(x11, window);
    const auto take = [&] {
        xcb_set_selection_owner(x11.get(), window, clipboard, taken);
        const x11::Owned<xcb_get_selection_owner_reply_t> owner(
            xcb_get_selection_owner_reply(x11.get(), xcb_get_selection_owner(x11.get(), clipboard), nullptr));
        return owner && owner->owner == window;
    };
    if (!take())
        return 1;
    std::puts("ready");
    std::fflush(stdout);

    std::string text = mode == "slow" ? argv[3] : argc >= 3 ? argv[2] : std::string(4 << 20, '7');
    const std::string newer = argc == 4 ? argv[3] : text;
    if (mode == "whole") {
        text.resize(std::stoul(argv[2]));
        for (std::size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<char>('0' + i % 10);
    }
    bool passed = false;
    for (x11::Event event = x11.Next(); event; event = x11.Next()) {
        if (x11::EventType(event.get()) == XCB_SELECTION_CLEAR
            && reinterpret_cast<const xcb_selection_clear_event_t*>(event.get())->owner == window)
            return 0;
        if (x11::EventType(event.get()) != XCB_SELECTION_REQUEST || mode == "silent" || mode == "manager")
            continue;
        const auto request = *reinterpret_cast<const xcb_selection_request_event_t*>(event.get());
        if (mode == "slow")
            std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(argv[2])));
        if (request.target == targets && mode == "untargeted") {
            x11.Notify(request, XCB_NONE);
        } else if (request.target == targets) {
            const xcb_atom_t offered[] = {targets, timestamp, utf8};
            xcb_change_property(x11.get(), XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                                XCB_ATOM_ATOM, 32, 3, offered);
            x11.Notify(request, request.property);
        } else if (request.target == timestamp) {
            xcb_change_property(x11.get(), XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                                XCB_ATOM_INTEGER, 32, 1, &taken);
            x11.Notify(request, request.property);
        } else if (request.target == utf8 && mode == "retaken" && !passed) {
            // Copied again in the same program: the same window, a newer time.
            passed = true;
            xcb_change_property(x11.get(), XCB_PROP_MODE_REPLACE, request.requestor, request.property, utf8,
                                8, static_cast<uint32_t>(text.size()), text.data());
            // A later time than the first, which a fast read may come within
            // the same millisecond of.
            for (const xcb_timestamp_t first = taken; taken == first;)
                taken = ServerTime(x11, window);
            if (!take())
                return 1;
            x11.Notify(request, request.property);
            text = newer;
        } else if (request.target == utf8 && mode == "passing" && !passed) {
            passed = true;
            window = x11.CreateHiddenWindow();
            xcb_set_selection_owner(x11.get(), window, clipboard, XCB_CURRENT_TIME);
            xcb_destroy_window(x11.get(), request.owner);
            xcb_flush(x11.get());
        } else if (request.target == utf8 && mode == "overtaken" && !passed) {
            // The server is held so that the new owner is in place before the
            // requestor can read the answer, whatever the timing.
            passed = true;
            xcb_grab_server(x11.get());
            xcb_change_property(x11.get(), XCB_PROP_MODE_REPLACE, request.requestor, request.property, utf8,
                                8, static_cast<uint32_t>(text.size()), text.data());
            x11.Notify(request, request.property);
            window = x11.CreateHiddenWindow();
            xcb_set_selection_owner(x11.get(), window, clipboard, XCB_CURRENT_TIME);
            xcb_ungrab_server(x11.get());
            xcb_flush(x11.get());
            text = newer;
        } else if (request.target == utf8 && mode == "refusing") {
            x11.Notify(request, XCB_NONE);
        } else if (request.target == utf8 && mode == "unset") {
            x11.Notify(request, request.property);
        } else if (request.target == utf8 && (mode == "announcing" || mode == "dribbling")) {
            const uint32_t announced = mode == "announcing" ? 0xFFFFFFFF : 1000;
            const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_change_window_attributes(x11.get(), request.requestor, XCB_CW_EVENT_MASK, &events);
            xcb_change_property(x11.get(), XCB_PROP_MODE_REPLACE, request.requestor, request.property, incr,
                                32, 1, &announced);
            x11.Notify(request, request.property);
            std::vector<std::string> chunks = {"abc", ""};
            for (x11::Event next = x11.Next(); next; next = x11.Next()) {
                const auto* change = reinterpret_cast<const xcb_property_notify_event_t*>(next.get());
                if (x11::EventType(next.get()) != XCB_PROPERTY_NOTIFY || change->state != XCB_PROPERTY_DELETE)
                    continue;
                if (mode == "dribbling")
                    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
                const std::string chunk = mode == "dribbling" ? "7" : chunks.front();
                xcb_change_property(x11.get(), XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                                    utf8, 8, static_cast<uint32_t>(chunk.size()), chunk.data());
                xcb_flush(x11.get());
                if (mode == "announcing" && (chunks.erase(chunks.begin()), chunks.empty()))
                    break;
            }
        } else if (request.target == utf8
                   && (mode == "slow" || mode == "whole" || mode == "untargeted" || passed)) {
            xcb_change_property(x11.get(), XCB_PROP_MODE_REPLACE, request.requestor, request.property, utf8,
                                8, static_cast<uint32_t>(text.size()), text.data());
            x11.Notify(request, request.property);
        } else if (request.target == utf8) {
            // Announce a chunked transfer, hand over one chunk, and vanish.
            const uint32_t size = static_cast<uint32_t>(text.size());
            const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_change_window_attributes(x11.get(), request.requestor, XCB_CW_EVENT_MASK, &events);
            xcb_change_property(x11.get(), XCB_PROP_MODE_REPLACE, request.requestor, request.property, incr,
                                32, 1, &size);
            x11.Notify(request, request.property);
            for (x11::Event next = x11.Next(); next; next = x11.Next()) {
                const auto* change = reinterpret_cast<const xcb_property_notify_event_t*>(next.get());
                if (x11::EventType(next.get()) == XCB_PROPERTY_NOTIFY && change->state == XCB_PROPERTY_DELETE) {
                    xcb_change_property(x11.get(), XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                                        utf8, 8, 65536, text.data());
                    xcb_flush(x11.get());
                    return 0;
                }
            }
        } else {
            x11.Notify(request, XCB_NONE);
        }
    }
    return 0;
}

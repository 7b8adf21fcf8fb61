#include "platform/x11/x11_clipboard_reader.h"

#include "platform/x11/x11_selection.h"

#include <xcb/xfixes.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace {

using Status = X11ClipboardText::Status;
using Clock = std::chrono::steady_clock;

// Past this, a transfer that brings less than a mebibyte a second has no end in sight.
constexpr auto kSlowStart = std::chrono::seconds(10);
constexpr std::size_t kLeastBytesPerSecond = 1 << 20;

class Reader {
public:
    Reader(std::chrono::milliseconds patience, std::function<bool()> keepWaiting)
        : patience_(patience)
        , keepWaiting_(std::move(keepWaiting))
        , clipboard_(x11_.Atom("CLIPBOARD"))
        , incr_(x11_.Atom("INCR"))
        , property_(x11_.Atom("BROUILLAMINE_TRANSFER"))
        , window_(x11_.CreateHiddenWindow())
    {
    }

    X11ClipboardText Read()
    {
        if (!x11_.Ok() || !WatchOwner())
            return {Status::NoAnswer, {}};
        X11ClipboardText text = ReadOnce();
        if (!newOwnerAt_)
            return text;
        // Another owner took the clipboard while we asked: a newer copy,
        // unless it offers the very text the first owner gave (a clipboard
        // manager taking over what it has just read).
        const bool fromFirstOwner = text.status == Status::Text && *newOwnerAt_ >= textAskedAt_;
        if (fromFirstOwner) {
            X11ClipboardText now = ReadOnce();
            if (!newOwnerAt_ && now.status == Status::Text && now.utf8 == text.utf8)
                return now;
        }
        return {Status::Superseded, {}};
    }

    xcb_timestamp_t OwnerTime()
    {
        const x11::Owned<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
            x11_.get(), xcb_get_selection_owner(x11_.get(), clipboard_), nullptr));
        if (!x11_.Ok() || !WatchOwner() || !owner || owner->owner == XCB_NONE)
            return 0;
        owner_ = owner->owner;
        return Time();
    }

private:
    // Asks XFixes to tell us of every change of the clipboard's owner, and
    // of an owner that vanishes, so that a read stops only when nobody will answer.
    bool WatchOwner()
    {
        const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(x11_.get(), &xcb_xfixes_id);
        if (xfixes == nullptr || !xfixes->present)
            return false;
        xfixesEvent_ = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
        const x11::Owned<xcb_xfixes_query_version_reply_t> version(xcb_xfixes_query_version_reply(
            x11_.get(),
            xcb_xfixes_query_version(x11_.get(), XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
            nullptr));
        xcb_xfixes_select_selection_input(x11_.get(), window_, clipboard_,
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER
                                              | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
                                              | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        return version != nullptr;
    }

    X11ClipboardText ReadOnce()
    {
        failed_ = false;
        newOwnerAt_.reset();
        textAskedAt_ = 0;
        const x11::Owned<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
            x11_.get(), xcb_get_selection_owner(x11_.get(), clipboard_), nullptr));
        if (!owner || owner->owner == XCB_NONE)
            return {Status::NoText, {}};
        owner_ = owner->owner;

        const xcb_atom_t target = TextTarget();
        if (target == XCB_NONE)
            return {failed_ ? Status::NoAnswer : Status::NoText, {}};
        const xcb_timestamp_t time = Offered(x11_.Atom("TIMESTAMP")) ? Time() : 0;
        // The text was offered: a refusal now is a failure to read, not an empty text.
        std::optional<std::string> data = Convert(target, &textAskedAt_);
        if (!data)
            return {tooLong_ ? Status::TooLong : Status::NoAnswer, {}};
        if (target == XCB_ATOM_STRING)
            *data = Latin1ToUtf8(*data);
        return {Status::Text, std::move(*data), owner_, time};
    }

    // The owner's TIMESTAMP, or 0.
    xcb_timestamp_t Time()
    {
        const std::optional<std::string> time = Convert(x11_.Atom("TIMESTAMP"));
        failed_ = false; // an owner that keeps no time still has its text to give
        xcb_timestamp_t value = 0;
        if (time && time->size() == sizeof value)
            std::memcpy(&value, time->data(), sizeof value);
        return value;
    }

    bool Offered(xcb_atom_t target) const
    {
        return std::find(offered_.begin(), offered_.end(), target) != offered_.end();
    }

    // The best text format the owner offers, or none.
    xcb_atom_t TextTarget()
    {
        const xcb_atom_t preferred[]
            = {x11_.Atom("UTF8_STRING"), x11_.Atom("text/plain;charset=utf-8"), XCB_ATOM_STRING};
        const std::optional<std::string> targets = Convert(x11_.Atom("TARGETS"));
        offered_.clear();
        if (!targets)
            return failed_ ? XCB_NONE : preferred[0]; // an old owner may not list them
        const auto* atoms = reinterpret_cast<const xcb_atom_t*>(targets->data());
        offered_.assign(atoms, atoms + targets->size() / sizeof(xcb_atom_t));
        for (const xcb_atom_t atom : preferred) {
            if (Offered(atom))
                return atom;
        }
        return XCB_NONE;
    }

    // The owner's data in `target`; none when it refused (failed_ unset) or did
    // not answer in time, or vanished (failed_ set). `askedAt` gets the
    // request's sequence number.
    std::optional<std::string> Convert(xcb_atom_t target, std::uint32_t* askedAt = nullptr)
    {
        const xcb_void_cookie_t asked
            = xcb_convert_selection(x11_.get(), window_, clipboard_, target, property_, XCB_CURRENT_TIME);
        if (askedAt != nullptr)
            *askedAt = asked.sequence;
        const x11::Event notify = Wait([this](const xcb_generic_event_t* event) {
            return x11::EventType(event) == XCB_SELECTION_NOTIFY
                && reinterpret_cast<const xcb_selection_notify_event_t*>(event)->requestor == window_;
        });
        if (!notify)
            return std::nullopt;
        // The answer is where the owner says it is; none means it refused.
        const xcb_atom_t property
            = reinterpret_cast<const xcb_selection_notify_event_t*>(notify.get())->property;
        if (property == XCB_NONE)
            return std::nullopt;

        xcb_atom_t type = XCB_NONE;
        std::string data = TakeProperty(property, type);
        if (type == XCB_NONE) // no such property: nothing was handed over
            failed_ = true;
        if (failed_ || type != incr_)
            return failed_ ? std::nullopt : std::optional(std::move(data));

        // A chunked transfer: each deletion of the property asks for the next
        // chunk, and an empty chunk ends it. The size the owner announces is
        // not trusted: the text grows as it comes.
        std::string whole;
        const auto started = Clock::now();
        for (;;) {
            const x11::Event chunkReady = Wait([this, property](const xcb_generic_event_t* event) {
                const auto* change = reinterpret_cast<const xcb_property_notify_event_t*>(event);
                return x11::EventType(event) == XCB_PROPERTY_NOTIFY && change->window == window_
                    && change->atom == property && change->state == XCB_PROPERTY_NEW_VALUE;
            });
            if (!chunkReady)
                return std::nullopt;
            const std::string chunk = TakeProperty(property, type);
            if (failed_)
                return std::nullopt;
            if (chunk.empty())
                return whole;
            whole += chunk;
            if (whole.size() > kMostTextBytes) {
                tooLong_ = failed_ = true;
                return std::nullopt;
            }
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - started);
            if (seconds > kSlowStart
                && whole.size() < kLeastBytesPerSecond * static_cast<std::size_t>(seconds.count()))
                return std::nullopt;
        }
    }

    // Reads and deletes `property` of our window, whatever its size.
    std::string TakeProperty(xcb_atom_t property, xcb_atom_t& type)
    {
        std::string data;
        for (uint32_t offset = 0;;) {
            const x11::Owned<xcb_get_property_reply_t> reply(
                xcb_get_property_reply(x11_.get(),
                                       xcb_get_property(x11_.get(), 0, window_, property,
                                                        XCB_GET_PROPERTY_TYPE_ANY, offset, 1 << 20),
                                       nullptr));
            if (!reply) {
                failed_ = true;
                return {};
            }
            type = reply->type;
            const auto* value = static_cast<const char*>(xcb_get_property_value(reply.get()));
            const auto length = static_cast<std::size_t>(xcb_get_property_value_length(reply.get()));
            data.append(value, length);
            offset += static_cast<uint32_t>(length / 4);
            if (reply->bytes_after == 0)
                break;
        }
        xcb_delete_property(x11_.get(), window_, property);
        xcb_flush(x11_.get());
        return data;
    }

    // The next event `wanted` accepts, waiting at most `patience_`, and
    // keepWaiting_ tells, every few milliseconds, whether to go on at all.
    x11::Event Wait(const std::function<bool(const xcb_generic_event_t*)>& wanted)
    {
        for (const auto deadline = Clock::now() + patience_; Clock::now() < deadline && x11_.Ok();) {
            x11::Event event
                = x11_.WaitFor(std::chrono::milliseconds(20), [&](const xcb_generic_event_t* candidate) {
                      return (candidate->response_type & 0x7F) == xfixesEvent_ || wanted(candidate);
                  });
            if (event && (event->response_type & 0x7F) != xfixesEvent_)
                return event;
            if (event) {
                const auto* change
                    = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event.get());
                if (change->subtype != XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER
                    || change->owner == XCB_NONE)
                    break; // the owner vanished: it will never answer
                // The same owner taking it anew is no newer copy. A new one
                // answers what the server handed it; the old one may still
                // answer what it was asked before: the answer is awaited.
                // The event bears the number of our last request the server
                // had handled, which tells who was asked.
                if (change->owner != owner_ && !newOwnerAt_)
                    newOwnerAt_ = event->full_sequence;
                continue;
            }
            if (!keepWaiting_())
                break;
        }
        failed_ = true;
        return nullptr;
    }

    static std::string Latin1ToUtf8(const std::string& latin1)
    {
        std::string utf8;
        utf8.reserve(latin1.size());
        for (const unsigned char c : latin1) {
            if (c < 0x80) {
                utf8 += static_cast<char>(c);
            } else {
                utf8 += static_cast<char>(0xC0 | (c >> 6));
                utf8 += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
        return utf8;
    }

    std::chrono::milliseconds patience_;
    std::function<bool()> keepWaiting_;
    x11::Connection x11_;
    xcb_atom_t clipboard_, incr_, property_;
    xcb_window_t window_;
    xcb_window_t owner_ = XCB_NONE;
    std::vector<xcb_atom_t> offered_;
    uint8_t xfixesEvent_ = 0;
    // The sequence number at which another owner took the clipboard during
    // the read, and that of the text's request.
    std::optional<std::uint32_t> newOwnerAt_;
    std::uint32_t textAskedAt_ = 0;
    bool failed_ = false;
    bool tooLong_ = false;
};

} // namespace

X11ClipboardText ReadX11ClipboardText(std::chrono::milliseconds patience,
                                      const std::function<bool()>& keepWaiting)
{
    return Reader(patience, keepWaiting).Read();
}

xcb_timestamp_t X11ClipboardOwnerTime(std::chrono::milliseconds patience,
                                      const std::function<bool()>& keepWaiting)
{
    return Reader(patience, keepWaiting).OwnerTime();
}

xcb_window_t X11ClipboardOwner()
{
    const x11::Connection x11;
    if (!x11.Ok())
        return XCB_NONE;
    const x11::Owned<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        x11.get(), xcb_get_selection_owner(x11.get(), x11.Atom("CLIPBOARD")), nullptr));
    return owner ? owner->owner : xcb_window_t{XCB_NONE};
}

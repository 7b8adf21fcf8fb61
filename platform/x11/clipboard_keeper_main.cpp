// brouillamine-keeper: holds the clipboard's text once Brouillamine has ended,
// since on X11 a clipboard lives only as long as the program that serves it.
// Reads "secret\n" or "plain\n" and then the text (UTF-8) from its standard
// input, takes the clipboard, answers "ok" on its standard output, serves
// paste requests of any size, and exits when another program takes the
// clipboard.
#include "platform/x11/x11_selection.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t kChunk = 256 * 1024;

struct Reply {
    xcb_atom_t type = XCB_NONE;
    int format = 8;
    std::string data;
};

class Keeper {
public:
    Keeper(std::string text, bool secret)
        : text_(std::move(text))
        , secret_(secret)
    {
        window_ = x11_.CreateHiddenWindow();
        clipboard_ = x11_.Atom("CLIPBOARD");
        for (const char* name : {"TARGETS", "TIMESTAMP", "UTF8_STRING", "text/plain;charset=utf-8", "TEXT",
                                 "text/plain", "INCR", "x-kde-passwordManagerHint"})
            atoms_[name] = x11_.Atom(name);
        latin1_ = ToLatin1(text_);
    }

    bool TakeClipboard()
    {
        if (!x11_.Ok())
            return false;
        time_ = ServerTime();
        xcb_set_selection_owner(x11_.get(), window_, clipboard_, time_);
        const x11::Owned<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
            x11_.get(), xcb_get_selection_owner(x11_.get(), clipboard_), nullptr));
        return owner && owner->owner == window_;
    }

    void Serve()
    {
        for (x11::Event event = x11_.Next(); event; event = x11_.Next()) {
            switch (x11::Kind(event.get())) {
            case XCB_SELECTION_CLEAR:
                return;
            case XCB_SELECTION_REQUEST:
                Answer(*reinterpret_cast<const xcb_selection_request_event_t*>(event.get()));
                break;
            case XCB_PROPERTY_NOTIFY:
                NextChunk(*reinterpret_cast<const xcb_property_notify_event_t*>(event.get()));
                break;
            case XCB_DESTROY_NOTIFY:
                ForgetRequestor(reinterpret_cast<const xcb_destroy_notify_event_t*>(event.get())->window);
                break;
            }
        }
    }

private:
    // A timestamp from the server, as taking a selection wants: a property
    // change on our own window reports it.
    xcb_timestamp_t ServerTime()
    {
        xcb_change_property(x11_.get(), XCB_PROP_MODE_APPEND, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            0, nullptr);
        const x11::Event change = x11_.WaitFor(std::chrono::seconds(1), [](const xcb_generic_event_t* event) {
            return x11::Kind(event) == XCB_PROPERTY_NOTIFY;
        });
        return change ? reinterpret_cast<const xcb_property_notify_event_t*>(change.get())->time
                      : xcb_timestamp_t{XCB_CURRENT_TIME};
    }

    static std::string ToLatin1(const std::string& utf8)
    {
        std::string latin1;
        for (std::size_t i = 0; i < utf8.size(); ++i) {
            const auto c = static_cast<unsigned char>(utf8[i]);
            if (c < 0x80) {
                latin1 += static_cast<char>(c);
            } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
                latin1
                    += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
            } else {
                return {}; // not Latin-1: offered as UTF-8 only
            }
        }
        return latin1;
    }

    bool OffersLatin1() const { return text_.empty() || !latin1_.empty(); }

    std::vector<xcb_atom_t> Targets() const
    {
        std::vector<xcb_atom_t> targets = {atoms_.at("TARGETS"), atoms_.at("TIMESTAMP"),
                                           atoms_.at("UTF8_STRING"), atoms_.at("text/plain;charset=utf-8")};
        if (OffersLatin1())
            targets.insert(targets.end(), {XCB_ATOM_STRING, atoms_.at("TEXT"), atoms_.at("text/plain")});
        if (secret_)
            targets.push_back(atoms_.at("x-kde-passwordManagerHint"));
        return targets;
    }

    // What to answer for `target`; no type when it is not offered.
    Reply ReplyFor(xcb_atom_t target) const
    {
        if (target == atoms_.at("TARGETS")) {
            const std::vector<xcb_atom_t> targets = Targets();
            return {XCB_ATOM_ATOM, 32,
                    std::string(reinterpret_cast<const char*>(targets.data()),
                                targets.size() * sizeof(xcb_atom_t))};
        }
        if (target == atoms_.at("TIMESTAMP"))
            return {XCB_ATOM_INTEGER, 32, std::string(reinterpret_cast<const char*>(&time_), sizeof time_)};
        if (target == atoms_.at("UTF8_STRING") || target == atoms_.at("text/plain;charset=utf-8"))
            return {target, 8, text_};
        if (OffersLatin1()
            && (target == XCB_ATOM_STRING || target == atoms_.at("TEXT")
                || target == atoms_.at("text/plain")))
            return {target == atoms_.at("TEXT") ? xcb_atom_t{XCB_ATOM_STRING} : target, 8, latin1_};
        if (secret_ && target == atoms_.at("x-kde-passwordManagerHint"))
            return {target, 8, "secret"};
        return {};
    }

    void Answer(const xcb_selection_request_event_t& request)
    {
        // Obsolete requestors name no property: the target stands for it.
        const xcb_atom_t property = request.property == XCB_NONE ? request.target : request.property;
        Reply reply = ReplyFor(request.target);
        if (reply.type == XCB_NONE || request.selection != clipboard_) {
            x11_.Notify(request, XCB_NONE);
        } else if (reply.data.size() <= kChunk) {
            Put(request.requestor, property, reply.type, reply.format, reply.data.data(), reply.data.size());
            x11_.Notify(request, property);
        } else {
            // Too large for one property: the requestor takes it in chunks,
            // deleting the property for each next one.
            const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(x11_.get(), request.requestor, XCB_CW_EVENT_MASK, &events);
            const auto size = static_cast<uint32_t>(reply.data.size());
            xcb_change_property(x11_.get(), XCB_PROP_MODE_REPLACE, request.requestor, property,
                                atoms_.at("INCR"), 32, 1, &size);
            transfers_[{request.requestor, property}] = {std::move(reply), 0};
            x11_.Notify(request, property);
        }
    }

    void NextChunk(const xcb_property_notify_event_t& change)
    {
        if (change.state != XCB_PROPERTY_DELETE)
            return;
        const auto transfer = transfers_.find({change.window, change.atom});
        if (transfer == transfers_.end())
            return;
        auto& [reply, offset] = transfer->second;
        const std::size_t length = std::min(kChunk, reply.data.size() - offset);
        Put(change.window, change.atom, reply.type, reply.format, reply.data.data() + offset, length);
        offset += length;
        if (length == 0) // the empty chunk that ends it is sent
            transfers_.erase(transfer);
    }

    void ForgetRequestor(xcb_window_t requestor)
    {
        std::erase_if(transfers_, [&](const auto& transfer) { return transfer.first.first == requestor; });
    }

    void Put(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, int format, const char* data,
             std::size_t bytes)
    {
        xcb_change_property(x11_.get(), XCB_PROP_MODE_REPLACE, window, property, type,
                            static_cast<uint8_t>(format), static_cast<uint32_t>(bytes / (format / 8)), data);
        xcb_flush(x11_.get());
    }

    x11::Connection x11_;
    std::string text_, latin1_;
    bool secret_;
    xcb_window_t window_ = XCB_NONE;
    xcb_atom_t clipboard_ = XCB_NONE;
    xcb_timestamp_t time_ = XCB_CURRENT_TIME;
    std::map<std::string, xcb_atom_t> atoms_;
    std::map<std::pair<xcb_window_t, xcb_atom_t>, std::pair<Reply, std::size_t>> transfers_;
};

} // namespace

int main()
{
    std::string input;
    std::vector<char> buffer(1 << 20);
    for (std::size_t read; (read = std::fread(buffer.data(), 1, buffer.size(), stdin)) > 0;)
        input.append(buffer.data(), read);
    const std::size_t endOfKind = input.find('\n');
    const std::string kind = input.substr(0, endOfKind);
    if (endOfKind == std::string::npos || (kind != "secret" && kind != "plain"))
        return 2;
    input.erase(0, endOfKind + 1);

    Keeper keeper(std::move(input), kind == "secret");
    if (!keeper.TakeClipboard())
        return 1;
    std::fputs("ok\n", stdout);
    std::fclose(stdout);
    keeper.Serve();
    return 0;
}

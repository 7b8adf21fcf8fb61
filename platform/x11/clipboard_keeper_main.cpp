// brouillamine-keeper: holds the clipboard's text once Brouillamine has ended,
// since on X11 a clipboard lives only as long as the program that serves it.
// It reads the text as keeper_protocol.h says, and takes the clipboard with
// the time the program took it at, so that the X server refuses it to the
// keeper when another program took it since. It then serves the same
// targets and bytes as the program did, pastes of any size, and exits once
// another program has taken the clipboard and the pastes it had begun are
// done.
#include "platform/keeper/keeper_protocol.h"
#include "platform/keeper/keeper_run.h"
#include "platform/x11/x11_selection.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kChunk = 256 * 1024;
// A requestor that takes no chunk for this long is taken to have gone away;
// it never gets the empty chunk that would tell it the paste ended.
constexpr auto kStalledTransfer = std::chrono::seconds(10);

// How the text goes out: as it is, or as Latin-1 with "?" for what Latin-1
// lacks, which is what Qt gives for STRING and TEXT.
enum class Encoding { Utf8, Latin1 };

// A chunked transfer under way: where the next chunk starts in the text.
struct Transfer {
    xcb_atom_t type;
    Encoding encoding;
    std::size_t offset;
    Clock::time_point lastProgress;
};

class X11Keeper : public keeper::DisplayKeeper {
public:
    X11Keeper(std::string text, bool secret, xcb_timestamp_t time)
        : text_(std::move(text))
        , secret_(secret)
        , time_(time)
    {
        window_ = x11_.CreateHiddenWindow();
        clipboard_ = x11_.Atom("CLIPBOARD");
        for (const char* name : {"TARGETS", "MULTIPLE", "TIMESTAMP", "SAVE_TARGETS", "UTF8_STRING", "TEXT",
                                 keeper::kTextTarget, "INCR", "ATOM_PAIR", keeper::kSecretHintTarget})
            atoms_[name] = x11_.Atom(name);
    }

    // Superseded too when the X server could not be reached: it refuses a
    // time earlier than the clipboard's last change.
    const char* TakeClipboard() override
    {
        if (!x11_.Ok())
            return keeper::kSuperseded;
        xcb_set_selection_owner(x11_.get(), window_, clipboard_, time_);
        const x11::Owned<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
            x11_.get(), xcb_get_selection_owner(x11_.get(), clipboard_), nullptr));
        return owner && owner->owner == window_ ? keeper::kTaken : keeper::kSuperseded;
    }

    void Serve() override
    {
        bool lost = false;
        while (!(lost && transfers_.empty())) {
            const x11::Event event
                = x11_.WaitFor(std::chrono::seconds(1), [](const xcb_generic_event_t*) { return true; });
            if (!x11_.Ok())
                return;
            ExpireStalledTransfers();
            if (!event)
                continue;
            switch (x11::EventType(event.get())) {
            case XCB_SELECTION_CLEAR:
                lost = true; // the transfers begun are finished first
                break;
            case XCB_SELECTION_REQUEST:
                Answer(*reinterpret_cast<const xcb_selection_request_event_t*>(event.get()), lost);
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
    std::vector<xcb_atom_t> Targets() const
    {
        std::vector<xcb_atom_t> targets
            = {atoms_.at(keeper::kTextTarget), atoms_.at("UTF8_STRING"), XCB_ATOM_STRING, atoms_.at("TEXT")};
        if (secret_)
            targets.push_back(atoms_.at(keeper::kSecretHintTarget));
        targets.insert(
            targets.end(),
            {atoms_.at("TARGETS"), atoms_.at("MULTIPLE"), atoms_.at("TIMESTAMP"), atoms_.at("SAVE_TARGETS")});
        return targets;
    }

    // The type and encoding the text goes out in for `target`; no type when it is not text.
    std::pair<xcb_atom_t, Encoding> TextFormat(xcb_atom_t target) const
    {
        if (target == atoms_.at(keeper::kTextTarget) || target == atoms_.at("UTF8_STRING"))
            return {target, Encoding::Utf8};
        if (target == XCB_ATOM_STRING || target == atoms_.at("TEXT"))
            return {XCB_ATOM_STRING, Encoding::Latin1};
        return {XCB_NONE, Encoding::Utf8};
    }

    void Answer(const xcb_selection_request_event_t& request, bool lost)
    {
        // Obsolete requestors name no property: the target stands for it.
        const xcb_atom_t property = request.property == XCB_NONE ? request.target : request.property;
        // Once the clipboard is lost, only the transfers begun go on.
        const bool served = !lost && request.selection == clipboard_
            && Convert(request.requestor, request.target, property);
        x11_.Notify(request, served ? property : xcb_atom_t{XCB_NONE});
    }

    // Puts `target` into `property` of `requestor`; false when it is not offered.
    bool Convert(xcb_window_t requestor, xcb_atom_t target, xcb_atom_t property)
    {
        if (target == atoms_.at("TARGETS")) {
            const std::vector<xcb_atom_t> targets = Targets();
            Put(requestor, property, XCB_ATOM_ATOM, 32, targets.data(), targets.size());
        } else if (target == atoms_.at("TIMESTAMP")) {
            Put(requestor, property, XCB_ATOM_INTEGER, 32, &time_, 1);
        } else if (secret_ && target == atoms_.at(keeper::kSecretHintTarget)) {
            Put(requestor, property, target, 8, keeper::kSecret, sizeof keeper::kSecret - 1);
        } else if (target == atoms_.at("MULTIPLE")) {
            return ConvertMultiple(requestor, property);
        } else if (const auto [type, encoding] = TextFormat(target); type != XCB_NONE) {
            SendText(requestor, property, type, encoding);
        } else {
            return false;
        }
        return true;
    }

    // Each pair of target and property listed in `property`, converted in
    // turn; a refused one has its target replaced by none, as ICCCM asks.
    bool ConvertMultiple(xcb_window_t requestor, xcb_atom_t property)
    {
        const x11::Owned<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            x11_.get(),
            xcb_get_property(x11_.get(), 0, requestor, property, atoms_.at("ATOM_PAIR"), 0, 1 << 16),
            nullptr));
        if (!reply || reply->format != 32)
            return false;
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
        std::vector<xcb_atom_t> pairs(atoms, atoms + xcb_get_property_value_length(reply.get()) / 4);
        for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
            if (pairs[i] == atoms_.at("MULTIPLE") || !Convert(requestor, pairs[i], pairs[i + 1]))
                pairs[i] = XCB_NONE;
        }
        Put(requestor, property, atoms_.at("ATOM_PAIR"), 32, pairs.data(), pairs.size());
        return true;
    }

    void SendText(xcb_window_t requestor, xcb_atom_t property, xcb_atom_t type, Encoding encoding)
    {
        if (text_.size() <= kChunk) {
            std::size_t offset = 0;
            const std::string whole = Chunk(encoding, offset);
            Put(requestor, property, type, 8, whole.data(), whole.size());
            return;
        }
        // Too large for one property: the requestor takes it in chunks,
        // deleting the property for each next one. Watching it first, the
        // keeper hears of it when it vanishes, or learns it is gone already.
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        const x11::Owned<xcb_generic_error_t> gone(xcb_request_check(
            x11_.get(),
            xcb_change_window_attributes_checked(x11_.get(), requestor, XCB_CW_EVENT_MASK, &events)));
        if (gone)
            return;
        const auto lowerBound = static_cast<uint32_t>(
            std::min<std::size_t>(encoding == Encoding::Utf8 ? text_.size() : CharacterCount(), UINT32_MAX));
        Put(requestor, property, atoms_.at("INCR"), 32, &lowerBound, 1);
        transfers_[{requestor, property}] = {type, encoding, 0, Clock::now()};
    }

    void NextChunk(const xcb_property_notify_event_t& change)
    {
        if (change.state != XCB_PROPERTY_DELETE)
            return;
        const auto found = transfers_.find({change.window, change.atom});
        if (found == transfers_.end())
            return;
        Transfer& transfer = found->second;
        const std::string chunk = Chunk(transfer.encoding, transfer.offset);
        Put(change.window, change.atom, transfer.type, 8, chunk.data(), chunk.size());
        transfer.lastProgress = Clock::now();
        if (chunk.empty()) // the empty chunk that ends it is sent
            transfers_.erase(found);
    }

    // Up to kChunk bytes of the text from `offset` on, moving `offset` past
    // what they came from.
    std::string Chunk(Encoding encoding, std::size_t& offset) const
    {
        if (encoding == Encoding::Utf8) {
            std::string chunk = text_.substr(offset, kChunk);
            offset += chunk.size();
            return chunk;
        }
        std::string chunk;
        while (offset < text_.size() && chunk.size() < kChunk) {
            const auto lead = static_cast<unsigned char>(text_[offset]);
            const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            char32_t c = length == 1 ? lead : lead & (0x3F >> (length - 1));
            for (std::size_t i = 1; i < length && offset + i < text_.size(); ++i)
                c = (c << 6) | (static_cast<unsigned char>(text_[offset + i]) & 0x3F);
            chunk += c <= 0xFF ? static_cast<char>(c) : '?';
            offset += length;
        }
        return chunk;
    }

    std::size_t CharacterCount() const
    {
        return static_cast<std::size_t>(
            std::count_if(text_.begin(), text_.end(), [](char byte) { return (byte & 0xC0) != 0x80; }));
    }

    void ExpireStalledTransfers()
    {
        const auto now = Clock::now();
        std::erase_if(transfers_,
                      [&](const auto& transfer) { return now - transfer.second.lastProgress > kStalledTransfer; });
    }

    void ForgetRequestor(xcb_window_t requestor)
    {
        std::erase_if(transfers_, [&](const auto& transfer) { return transfer.first.first == requestor; });
    }

    void Put(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, int format, const void* data,
             std::size_t count)
    {
        xcb_change_property(x11_.get(), XCB_PROP_MODE_REPLACE, window, property, type,
                            static_cast<uint8_t>(format), static_cast<uint32_t>(count), data);
        xcb_flush(x11_.get());
    }

    x11::Connection x11_;
    const std::string text_;
    const bool secret_;
    const xcb_timestamp_t time_;
    xcb_window_t window_ = XCB_NONE;
    xcb_atom_t clipboard_ = XCB_NONE;
    std::map<std::string, xcb_atom_t> atoms_;
    std::map<std::pair<xcb_window_t, xcb_atom_t>, Transfer> transfers_;
};

} // namespace

int main()
{
    return keeper::Run([](keeper::HandedText handed) {
        return std::make_unique<X11Keeper>(std::move(handed.text), handed.secret, handed.time);
    });
}

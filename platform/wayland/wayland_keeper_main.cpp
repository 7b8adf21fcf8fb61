// brouillamine-wayland-keeper: holds the clipboard's text once Brouillamine
// has ended, as a Wayland clipboard lives only as long as the program that
// serves it. It reads the text as keeper_protocol.h says, makes sure the
// clipboard still offers that very text, offers every type the program
// offered with the same bytes, and serves them, never waiting on a reader,
// until another program copies and the pastes begun are done. Where the
// compositor offers data-control (sway, Hyprland, KWin…) it needs no
// window; elsewhere (mutter, Weston) it shows one of a transparent pixel
// for the moment it takes the keyboard and the clipboard. When it cannot,
// it answers so, and the program keeps serving the clipboard itself.
#include "platform/keeper/keeper_protocol.h"
#include "platform/keeper/keeper_run.h"
#include "platform/wayland/keyboard_surface.h"

#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <list>
#include <memory>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// How long the program, still running, may take for each piece of its text;
// and how long the compositor may take to give the keyboard, which a busy
// GNOME desktop took over a second to do. Until the keeper answers, the
// program serves its text itself.
constexpr auto kReadBackPatience = std::chrono::seconds(1);
constexpr auto kKeyboardPatience = std::chrono::seconds(3);
// Reads of the clipboard's text, when it changes under each; and the
// compositor's news awaited after a read cut short, in rounds of 10 ms.
constexpr int kReadBacks = 5;
constexpr int kRoundsAfterACut = 20;
// Qt offers the text under this type too on Wayland.
constexpr char kUtf8TextType[] = "text/plain;charset=utf-8";

// The program's types, which the keeper offers in its turn.
std::vector<std::string> TypesOfText(bool secret)
{
    std::vector<std::string> types{keeper::kTextTarget, kUtf8TextType};
    if (secret)
        types.emplace_back(keeper::kSecretHintTarget);
    return types;
}

// A paste under way: the bytes still to write to a requestor's pipe. A pipe
// cannot say that a paste failed, only end it: one is never given up while
// its reader keeps its end open, however slow it is.
struct Paste {
    int fd;
    std::string_view left;
};

// What reading the clipboard back tells.
// What reading the clipboard back tells. Cut: the start of the text, then an
// end, as when its source goes during the read.
enum class ReadBack { OurText, AnotherText, Cut, TooSlow };

class WaylandKeeper : public keeper::DisplayKeeper {
public:
    WaylandKeeper(std::string text, bool secret)
        : text_(std::move(text))
        , types_(TypesOfText(secret))
    {
    }

    ~WaylandKeeper() override
    {
        for (const Paste& paste : pastes_)
            close(paste.fd);
    }

    WaylandKeeper(const WaylandKeeper&) = delete;
    WaylandKeeper& operator=(const WaylandKeeper&) = delete;

    // Takes the clipboard if it still offers the program's text, with the
    // same types.
    const char* TakeClipboard() override
    {
        if (!Connect())
            return keeper::kUnable;
        // The clipboard can change under the read to the very text: Weston
        // cancels a source when a client destroys the newest offer of it, as
        // Qt does once the program's window goes, and offers its own copy.
        // So the text is read again until it did not change under a read.
        int changes = selectionChanges_;
        ReadBack readBack = ReadBack::AnotherText;
        for (int read = 0; read < kReadBacks; ++read) {
            changes = selectionChanges_;
            readBack = selection_ == nullptr ? ReadBack::AnotherText : ReadBackText(selection_);
            // Too slow to tell, on a busy machine: the program serves on.
            if (readBack == ReadBack::TooSlow)
                return keeper::kUnable;
            if (wl_display_roundtrip(display_.get()) < 0)
                return keeper::kSuperseded;
            // Its source gone, the compositor is about to name what the
            // clipboard holds now.
            for (int round = 0; readBack == ReadBack::Cut && selectionChanges_ == changes && round < kRoundsAfterACut;
                 ++round) {
                usleep(10000);
                if (wl_display_roundtrip(display_.get()) < 0)
                    return keeper::kSuperseded;
            }
            if (selectionChanges_ == changes)
                break;
        }
        // Another text, or a copy made under every read, is the newer one.
        if (readBack != ReadBack::OurText || selectionChanges_ != changes)
            return keeper::kSuperseded;
        SetSelection();
        // Taken once the compositor names an offer of those types as the
        // clipboard's, and has not given it to another copy since.
        const bool answered = wl_display_roundtrip(display_.get()) >= 0;
        surface_.Hide();
        if (!answered || cancelled_)
            return keeper::kSuperseded;
        const bool named = selectionChanges_ != changes && selection_ != nullptr
            && std::is_permutation(types_.begin(), types_.end(), offers_[selection_].begin(),
                                   offers_[selection_].end());
        return named ? keeper::kTaken : keeper::kUnable;
    }

    void Serve() override
    {
        const int wayland = wl_display_get_fd(display_.get());
        while (!(cancelled_ && pastes_.empty())) {
            while (wl_display_prepare_read(display_.get()) != 0)
                wl_display_dispatch_pending(display_.get());
            wl_display_flush(display_.get());
            std::vector<pollfd> ready{{wayland, POLLIN, 0}};
            for (const Paste& paste : pastes_)
                ready.push_back({paste.fd, POLLOUT, 0});
            const int polled = poll(ready.data(), ready.size(), 1000);
            if (polled > 0 && (ready[0].revents & POLLIN) != 0) {
                if (wl_display_read_events(display_.get()) < 0)
                    return; // the session ended
            } else {
                wl_display_cancel_read(display_.get());
            }
            if (wl_display_dispatch_pending(display_.get()) < 0)
                return;
            if (polled < 0 && errno != EINTR)
                return;
            WritePastes();
        }
    }

private:
    // False when the compositor offers no way to set the clipboard.
    bool Connect()
    {
        display_.reset(wl_display_connect(nullptr));
        if (display_ == nullptr)
            return false;
        wl_registry* registry = wl_display_get_registry(display_.get());
        wl_registry_add_listener(registry, &kRegistryListener, this);
        wl_display_roundtrip(display_.get());
        wl_registry_destroy(registry);
        if (seat_ == nullptr)
            return false;
        if (manager_ != nullptr) {
            device_ = zwlr_data_control_manager_v1_get_data_device(manager_, seat_);
            zwlr_data_control_device_v1_add_listener(device_, &kDeviceListener, this);
        } else if (coreManager_ != nullptr && surface_.Bound()) {
            // Told of the clipboard only once its window has the keyboard.
            coreDevice_ = wl_data_device_manager_get_data_device(coreManager_, seat_);
            wl_data_device_add_listener(coreDevice_, &kCoreDeviceListener, this);
            const std::optional<std::uint32_t> serial = surface_.TakeKeyboard(display_.get(), seat_, kKeyboardPatience);
            if (!serial)
                return false;
            serial_ = *serial;
        } else {
            return false;
        }
        // The device's first events name the clipboard's offer and its types.
        return wl_display_roundtrip(display_.get()) >= 0 && wl_display_roundtrip(display_.get()) >= 0;
    }

    // Reads the text of `offer` through a pipe, comparing it as it comes.
    ReadBack ReadBackText(void* offer)
    {
        const std::vector<std::string>& types = offers_[offer];
        const char* type = nullptr;
        for (const char* candidate : {kUtf8TextType, keeper::kTextTarget}) {
            if (type == nullptr && std::find(types.begin(), types.end(), candidate) != types.end())
                type = candidate;
        }
        int ends[2];
        if (type == nullptr || pipe2(ends, O_CLOEXEC) != 0)
            return ReadBack::AnotherText;
        if (manager_ != nullptr)
            zwlr_data_control_offer_v1_receive(static_cast<zwlr_data_control_offer_v1*>(offer), type, ends[1]);
        else
            wl_data_offer_receive(static_cast<wl_data_offer*>(offer), type, ends[1]);
        close(ends[1]);
        wl_display_flush(display_.get());
        std::size_t compared = 0;
        bool same = true;
        char buffer[64 * 1024];
        for (;;) {
            pollfd readable{ends[0], POLLIN, 0};
            if (poll(&readable, 1, static_cast<int>(std::chrono::milliseconds(kReadBackPatience).count()))
                <= 0) {
                close(ends[0]);
                return ReadBack::TooSlow;
            }
            const ssize_t got = read(ends[0], buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            const auto size = static_cast<std::size_t>(got);
            same = same && compared + size <= text_.size()
                && std::memcmp(text_.data() + compared, buffer, size) == 0;
            compared += size;
        }
        close(ends[0]);
        if (!same)
            return ReadBack::AnotherText;
        return compared == text_.size() ? ReadBack::OurText : ReadBack::Cut;
    }

    // Offers types_ as the clipboard, through whichever protocol the compositor has.
    void SetSelection()
    {
        if (manager_ != nullptr) {
            zwlr_data_control_source_v1* source = zwlr_data_control_manager_v1_create_data_source(manager_);
            zwlr_data_control_source_v1_add_listener(source, &kSourceListener, this);
            for (const std::string& type : types_)
                zwlr_data_control_source_v1_offer(source, type.c_str());
            zwlr_data_control_device_v1_set_selection(device_, source);
            return;
        }
        wl_data_source* source = wl_data_device_manager_create_data_source(coreManager_);
        wl_data_source_add_listener(source, &kCoreSourceListener, this);
        for (const std::string& type : types_)
            wl_data_source_offer(source, type.c_str());
        wl_data_device_set_selection(coreDevice_, source, serial_);
    }

    // Serves what was offered only: the hint, or the text in any of its types.
    void StartPaste(const char* type, int fd)
    {
        if (std::find(types_.begin(), types_.end(), type) == types_.end()) {
            close(fd);
            return;
        }
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        const std::string_view bytes = std::string_view(type) == keeper::kSecretHintTarget
            ? std::string_view(keeper::kSecret)
            : std::string_view(text_);
        pastes_.push_back({fd, bytes});
        WritePastes();
    }

    // Writes what each requestor takes now; a paste ends when all is
    // written, or when its requestor closed its end.
    void WritePastes()
    {
        for (auto paste = pastes_.begin(); paste != pastes_.end();) {
            const ssize_t written
                = paste->left.empty() ? 0 : write(paste->fd, paste->left.data(), paste->left.size());
            if (written > 0)
                paste->left.remove_prefix(static_cast<std::size_t>(written));
            const bool blocked = written < 0 && (errno == EAGAIN || errno == EINTR);
            if (paste->left.empty() || (written < 0 && !blocked)) {
                close(paste->fd);
                paste = pastes_.erase(paste);
            } else {
                ++paste;
            }
        }
    }

    static void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t)
    {
        auto* self = static_cast<WaylandKeeper*>(data);
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && self->seat_ == nullptr)
            self->seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0)
            self->manager_ = static_cast<zwlr_data_control_manager_v1*>(
                wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1));
        else if (std::strcmp(interface, wl_data_device_manager_interface.name) == 0)
            self->coreManager_ = static_cast<wl_data_device_manager*>(
                wl_registry_bind(registry, name, &wl_data_device_manager_interface, 1));
        else
            self->surface_.Bind(registry, name, interface);
    }

    static void GlobalRemoved(void*, wl_registry*, std::uint32_t) { }

    // The same events come from data-control's objects and from the core
    // protocol's: an offer is known by its proxy, whichever it is.
    static void DataOffer(void* data, void* offer)
    {
        static_cast<WaylandKeeper*>(data)->offers_[offer];
    }

    static void OfferType(void* data, void* offer, const char* type)
    {
        static_cast<WaylandKeeper*>(data)->offers_[offer].emplace_back(type);
    }

    static void Selection(void* data, void* offer)
    {
        auto* self = static_cast<WaylandKeeper*>(data);
        self->selection_ = offer;
        ++self->selectionChanges_;
    }

    static void Send(void* data, const char* type, std::int32_t fd)
    {
        static_cast<WaylandKeeper*>(data)->StartPaste(type, fd);
    }

    static void Cancelled(void* data) { static_cast<WaylandKeeper*>(data)->cancelled_ = true; }

    static constexpr wl_registry_listener kRegistryListener = {Global, GlobalRemoved};
    static constexpr zwlr_data_control_offer_v1_listener kOfferListener = {
        [](void* data, zwlr_data_control_offer_v1* offer, const char* type) { OfferType(data, offer, type); },
    };
    static constexpr zwlr_data_control_device_v1_listener kDeviceListener = {
        [](void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
            DataOffer(data, offer);
            zwlr_data_control_offer_v1_add_listener(offer, &kOfferListener, data);
        },
        [](void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) { Selection(data, offer); },
        [](void*, zwlr_data_control_device_v1*) {},
        [](void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1*) {},
    };
    static constexpr zwlr_data_control_source_v1_listener kSourceListener = {
        [](void* data, zwlr_data_control_source_v1*, const char* type, std::int32_t fd) { Send(data, type, fd); },
        [](void* data, zwlr_data_control_source_v1*) { Cancelled(data); },
    };
    // The core protocol's, which also tells of drags.
    static constexpr wl_data_offer_listener kCoreOfferListener = {
        [](void* data, wl_data_offer* offer, const char* type) { OfferType(data, offer, type); },
        [](void*, wl_data_offer*, std::uint32_t) {},
        [](void*, wl_data_offer*, std::uint32_t) {},
    };
    static constexpr wl_data_device_listener kCoreDeviceListener = {
        [](void* data, wl_data_device*, wl_data_offer* offer) {
            DataOffer(data, offer);
            wl_data_offer_add_listener(offer, &kCoreOfferListener, data);
        },
        [](void*, wl_data_device*, std::uint32_t, wl_surface*, wl_fixed_t, wl_fixed_t, wl_data_offer*) {},
        [](void*, wl_data_device*) {},
        [](void*, wl_data_device*, std::uint32_t, wl_fixed_t, wl_fixed_t) {},
        [](void*, wl_data_device*) {},
        [](void* data, wl_data_device*, wl_data_offer* offer) { Selection(data, offer); },
    };
    static constexpr wl_data_source_listener kCoreSourceListener = {
        [](void*, wl_data_source*, const char*) {},
        [](void* data, wl_data_source*, const char* type, std::int32_t fd) { Send(data, type, fd); },
        [](void* data, wl_data_source*) { Cancelled(data); },
        [](void*, wl_data_source*) {},
        [](void*, wl_data_source*) {},
        [](void*, wl_data_source*, std::uint32_t) {},
    };

    const std::string text_;
    // Before the window, so that it goes after it: the window's proxies
    // are destroyed on a live connection.
    struct Disconnect {
        void operator()(wl_display* display) const { wl_display_disconnect(display); }
    };
    std::unique_ptr<wl_display, Disconnect> display_;
    wl_seat* seat_ = nullptr;
    // Data-control's, where the compositor has it; else the core protocol's,
    // with a window for the keyboard's serial.
    zwlr_data_control_manager_v1* manager_ = nullptr;
    zwlr_data_control_device_v1* device_ = nullptr;
    wl_data_device_manager* coreManager_ = nullptr;
    wl_data_device* coreDevice_ = nullptr;
    KeyboardSurface surface_;
    std::uint32_t serial_ = 0;
    void* selection_ = nullptr; // the offer the clipboard holds
    int selectionChanges_ = 0;
    std::map<void*, std::vector<std::string>> offers_;
    const std::vector<std::string> types_; // those the keeper offers

    std::list<Paste> pastes_;
    bool cancelled_ = false;
};

} // namespace

int main()
{
    return keeper::Run([](keeper::HandedText handed) {
        return std::make_unique<WaylandKeeper>(std::move(handed.text), handed.secret);
    });
}

#include "platform/wayland/data_control.h"

namespace data_control {

namespace {

// Each message's signature, and the interfaces of its object and new-id
// arguments (libwayland takes them as non-const).
const wl_interface* kNone[] = {nullptr, nullptr};
const wl_interface* kNewSource[] = {&kSource};
const wl_interface* kNewDeviceForSeat[] = {&kDevice, &wl_seat_interface};
const wl_interface* kASource[] = {&kSource};
const wl_interface* kNewOffer[] = {&kOffer};
const wl_interface* kAnOffer[] = {&kOffer};

const wl_message kManagerRequests[] = {
    {"create_data_source", "n", kNewSource},
    {"get_data_device", "no", kNewDeviceForSeat},
    {"destroy", "", kNone},
};
const wl_message kDeviceRequests[] = {
    {"set_selection", "?o", kASource},
    {"destroy", "", kNone},
    {"set_primary_selection", "2?o", kASource},
};
const wl_message kDeviceEvents[] = {
    {"data_offer", "n", kNewOffer},
    {"selection", "?o", kAnOffer},
    {"finished", "", kNone},
    {"primary_selection", "2?o", kAnOffer},
};
const wl_message kSourceRequests[] = {
    {"offer", "s", kNone},
    {"destroy", "", kNone},
};
const wl_message kSourceEvents[] = {
    {"send", "sh", kNone},
    {"cancelled", "", kNone},
};
const wl_message kOfferRequests[] = {
    {"receive", "sh", kNone},
    {"destroy", "", kNone},
};
const wl_message kOfferEvents[] = {
    {"offer", "s", kNone},
};

enum ManagerRequest { kCreateDataSource, kGetDataDevice };
enum DeviceRequest { kSetSelection };
enum SourceRequest { kSourceOffer };
enum OfferRequest { kReceive };

void Listen(wl_proxy* proxy, const void* listener, void* data)
{
    // libwayland reads the listener's functions and never writes them.
    wl_proxy_add_listener(proxy, reinterpret_cast<void (**)()>(const_cast<void*>(listener)), data);
}

} // namespace

const wl_interface kManager = {"zwlr_data_control_manager_v1", 1, 3, kManagerRequests, 0, nullptr};
const wl_interface kDevice = {"zwlr_data_control_device_v1", 1, 3, kDeviceRequests, 4, kDeviceEvents};
const wl_interface kSource = {"zwlr_data_control_source_v1", 1, 2, kSourceRequests, 2, kSourceEvents};
const wl_interface kOffer = {"zwlr_data_control_offer_v1", 1, 2, kOfferRequests, 1, kOfferEvents};

void AddListener(wl_proxy* device, const DeviceListener& listener, void* data)
{
    Listen(device, &listener, data);
}

void AddListener(wl_proxy* source, const SourceListener& listener, void* data)
{
    Listen(source, &listener, data);
}

void AddListener(wl_proxy* offer, const OfferListener& listener, void* data)
{
    Listen(offer, &listener, data);
}

wl_proxy* CreateSource(wl_proxy* manager)
{
    return wl_proxy_marshal_flags(manager, kCreateDataSource, &kSource, wl_proxy_get_version(manager), 0,
                                  nullptr);
}

wl_proxy* GetDevice(wl_proxy* manager, wl_proxy* seat)
{
    return wl_proxy_marshal_flags(manager, kGetDataDevice, &kDevice, wl_proxy_get_version(manager), 0,
                                  nullptr, seat);
}

void Offer(wl_proxy* source, const char* mimeType)
{
    wl_proxy_marshal_flags(source, kSourceOffer, nullptr, wl_proxy_get_version(source), 0, mimeType);
}

void SetSelection(wl_proxy* device, wl_proxy* source)
{
    wl_proxy_marshal_flags(device, kSetSelection, nullptr, wl_proxy_get_version(device), 0, source);
}

void Receive(wl_proxy* offer, const char* mimeType, int fd)
{
    wl_proxy_marshal_flags(offer, kReceive, nullptr, wl_proxy_get_version(offer), 0, mimeType, fd);
}

} // namespace data_control

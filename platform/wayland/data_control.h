#pragma once

// The wlroots data-control protocol (zwlr_data_control_manager_v1, version
// 1), which lets a client with no window set and read the clipboard. Debian
// ships no description of it to generate these from, so its four
// interfaces are stated here, with the requests the keeper makes.

#include <wayland-client.h>

#include <cstdint>

namespace data_control {

extern const wl_interface kManager;
extern const wl_interface kDevice;
extern const wl_interface kSource;
extern const wl_interface kOffer;

// The events of a device, a source and an offer, in the protocol's order.
struct DeviceListener {
    void (*dataOffer)(void* data, wl_proxy* device, wl_proxy* offer);
    void (*selection)(void* data, wl_proxy* device, wl_proxy* offer);
    void (*finished)(void* data, wl_proxy* device);
    void (*primarySelection)(void* data, wl_proxy* device, wl_proxy* offer);
};
struct SourceListener {
    void (*send)(void* data, wl_proxy* source, const char* mimeType, std::int32_t fd);
    void (*cancelled)(void* data, wl_proxy* source);
};
struct OfferListener {
    void (*offer)(void* data, wl_proxy* offer, const char* mimeType);
};

void AddListener(wl_proxy* device, const DeviceListener& listener, void* data);
void AddListener(wl_proxy* source, const SourceListener& listener, void* data);
void AddListener(wl_proxy* offer, const OfferListener& listener, void* data);

[[nodiscard]] wl_proxy* CreateSource(wl_proxy* manager);
[[nodiscard]] wl_proxy* GetDevice(wl_proxy* manager, wl_proxy* seat);
void Offer(wl_proxy* source, const char* mimeType);
void SetSelection(wl_proxy* device, wl_proxy* source);
void Receive(wl_proxy* offer, const char* mimeType, int fd);

} // namespace data_control

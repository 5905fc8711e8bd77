// The link-configured flag: 1 once a link has been connected through the command menu or
// a connection dialog; never cleared. It decides whether a disconnected menu offers
// "Reconnection". Set by the USB, BLE and Ethernet dialogs, read by the menu.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

std::atomic<int>& LinkConfigured();

// Makes the Ethernet controller at `host` (the link's address form) and `tcpPort` the
// program's link, as a connection dialog's OK does: the link parameters stored in the core,
// the connection kind and the link-configured flag set. False when the core refused them.
bool UseEthernetLink(std::uint32_t host, std::uint32_t tcpPort, const std::string& peerName);

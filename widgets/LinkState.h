// The link-configured flag: 1 once a link has been connected through the command menu or
// a connection dialog; never cleared. It decides whether a disconnected menu offers
// "Reconnection". Set by the USB, BLE and Ethernet dialogs, read by the menu.
#pragma once

#include <atomic>

std::atomic<int>& LinkConfigured();

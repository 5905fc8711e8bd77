// What the command menu offers and which of its entries are enabled, from what the menu
// read from the controller, and the panel template of each family. No Qt and
// no controller access here, so every state can be checked on its own.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/LoaderState.h"
#include "widgets/MenuDialogs.h"

struct MenuEntry {
    int code = 0;
    std::string text;
    bool enabled = true;
};

// What the menu knows when it opens.
struct MenuInputs {
    bool connected = false;      // the core server's disconnected flag is not 1
    bool linkConfigured = false; // a link was connected through the menu or a dialog
    bool running = false;        // the running flag after the run-state read
    // The state word read at 0x5000 (connected only); nothing when the read failed.
    std::optional<std::uint32_t> stateWord;
    // The model index read at 0xE000 (connected only); nothing when the read failed.
    std::optional<int> productType;
};

struct CommandMenu {
    std::string connectionTitle = "Configure Connection...";
    std::vector<MenuEntry> connection; // 15 "USB", 16 "Ethernet", 17 "Bluetooth"; always enabled
    std::vector<MenuEntry> entries;    // 2, 18, 3, 4, 5, 6, 7, 8, then 9 (and 10), then 19

    const MenuEntry* Find(int code) const;
};

CommandMenu BuildCommandMenu(const MenuInputs& in);

// The command panel's template for a family index: 102 (kz9), 220 (Trel), else 167.
int PanelTemplateForFamily(int family);

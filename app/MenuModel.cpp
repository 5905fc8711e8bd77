#include "app/MenuModel.h"

const MenuEntry* CommandMenu::Find(int code) const {
    for (const MenuEntry& e : entries)
        if (e.code == code)
            return &e;
    for (const MenuEntry& e : connection)
        if (e.code == code)
            return &e;
    return nullptr;
}

namespace {

// Entries that need a working controller behind them.
bool IsServiceEntry(int code) {
    // The service history is this computer's own record: it needs no controller.
    return code != kMenuDisconnection && code != kMenuServiceHistory;
}

// The state of a menu without a usable controller: only the connection sub-menu and,
// once a link was configured, "Reconnection".
void SetNotConnected(CommandMenu& menu, bool linkConfigured) {
    for (MenuEntry& e : menu.entries) {
        if (e.code == kMenuDisconnection) {
            e.text = linkConfigured ? "Reconnection" : "Disconnection";
            e.enabled = linkConfigured;
        } else if (IsServiceEntry(e.code)) {
            e.enabled = false;
        }
    }
}

} // namespace

CommandMenu BuildCommandMenu(const MenuInputs& in) {
    CommandMenu menu;
    menu.connection = {{kMenuUsb, "USB", true},
                       {kMenuEthernet, "Ethernet", true},
                       {kMenuBluetooth, "Bluetooth", true},
                       {kMenuFleet, "Fleet...", true}};
    menu.entries = {
        {kMenuDisconnection, "Disconnection", true},
        {kMenuPassword, "Protect the controller with password", true},
        {kMenuUpdateFirmware, "Update Firmware", true},
        {kMenuProgram, "Read/Write program from/to the controller", true},
        {kMenuDatalogs, "Read datalogs", true},
        {kMenuDateTime, "Read/Write date and time", true},
        {kMenuDiagnostics, "Controller diagnostics", true},
        {kMenuParameterAccess, "Controller parameter access", true},
    };
    if (in.running) {
        menu.entries.push_back({kMenuStopOrStart, "Stop the controller", true});
    } else {
        menu.entries.push_back({kMenuStopOrStart, "Start the controller without Reset", true});
        menu.entries.push_back(
            {kMenuStartWithReset, "Start the controller with Reset saved values", true});
    }
    menu.entries.push_back({kMenuServiceHistory, "Service history", true});

    if (!in.connected) {
        SetNotConnected(menu, in.linkConfigured);
        return menu;
    }
    // A failed state-word read counts as a normal state.
    if (in.stateWord && model::IsLoaderOnlyState(*in.stateWord)) {
        SetNotConnected(menu, in.linkConfigured);
        for (MenuEntry& e : menu.entries)
            if (e.code == kMenuUpdateFirmware)
                e.enabled = true;
        return menu;
    }
    // Connected: everything enabled, except parameter access on the Trel models (a
    // failed product-type read leaves it enabled).
    if (in.productType && *in.productType >= 14 && *in.productType <= 16)
        for (MenuEntry& e : menu.entries)
            if (e.code == kMenuParameterAccess)
                e.enabled = false;
    return menu;
}

int PanelTemplateForFamily(int family) {
    if (family == 0)
        return 102;
    if (family == 2)
        return 220;
    return 167;
}

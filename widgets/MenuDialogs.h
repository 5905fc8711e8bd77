// The dialogs the command menu opens, by command code: the connection dialogs (15 USB,
// 16 Ethernet, 17 Bluetooth) and the service dialogs (3 firmware, 4 program, 5 datalogs,
// 6 date and time, 7 diagnostics, 18 password). Each subsystem registers its dialog at
// start-up; a command without a registered dialog opens nothing.
#pragma once

#include <functional>

class QWidget;

// Command codes of the menu entries.
enum MenuCommand : int {
    kMenuDisconnection = 2,
    kMenuUpdateFirmware = 3,
    kMenuProgram = 4,
    kMenuDatalogs = 5,
    kMenuDateTime = 6,
    kMenuDiagnostics = 7,
    kMenuParameterAccess = 8,
    kMenuStopOrStart = 9,
    kMenuStartWithReset = 10,
    kMenuUsb = 15,
    kMenuEthernet = 16,
    kMenuBluetooth = 17,
    kMenuPassword = 18,
    kMenuServiceHistory = 19,
    kMenuFleet = 20,
};

// Runs the dialog modally; returns true when it ended with OK (connection dialogs) or
// when it ran at all (service dialogs).
using MenuDialogOpener = std::function<bool(QWidget* parent)>;

void RegisterMenuDialog(int command, MenuDialogOpener opener);
// The opener of `command`, or an empty function.
MenuDialogOpener FindMenuDialog(int command);

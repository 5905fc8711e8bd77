// The dialogs the command menu opens, by command code: the connection dialogs (15 USB,
// 16 Ethernet, 17 Bluetooth) and the service dialogs (3 firmware, 4 program, 5 datalogs,
// 6 date and time, 7 diagnostics, 18 password). Each subsystem registers its dialog at
// start-up; a command without a registered dialog opens nothing.
#pragma once

#include <functional>

class QWidget;

// Runs the dialog modally; returns true when it ended with OK (connection dialogs) or
// when it ran at all (service dialogs).
using MenuDialogOpener = std::function<bool(QWidget* parent)>;

void RegisterMenuDialog(int command, MenuDialogOpener opener);
// The opener of `command`, or an empty function.
MenuDialogOpener FindMenuDialog(int command);

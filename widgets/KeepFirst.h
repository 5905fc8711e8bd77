// The copy of the controller's program kept before a program write or a firmware update
// overwrites it, as the program's dialogs make it: the read behind the progress dialog, "nothing
// to keep" told, and a question when no copy can be made.
#pragma once

#include <functional>

#include "comm/ControllerLink.h"
#include "transfer/ITransfert.h"

class OperationRecord;
class QWidget;

// "Keep a copy of the controller's program first": checked at the start, remembered from one
// dialog to the next (the program and the firmware dialogs share it).
bool& KeepProgramRemembered();

// Keeps the program of the controller on `link` in the history's store and names the copy in
// `record`. `passwordGiven`: the application password of a protected program was accepted.
// `run` runs the read to its end (true when it finished without an error). False when no
// copy could be made and the user chose not to go on without one.
bool KeepProgramFirst(QWidget* parent, comm::IControllerLink& link, bool passwordGiven,
                      OperationRecord& record,
                      const std::function<bool(transfer::ITransfert&)>& run);

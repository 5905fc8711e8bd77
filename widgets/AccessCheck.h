// The access check of the command menu: whether the controller may be used now. The
// password dialogs replace the default with one that prompts; until then the answer is
// what the access probe says: the configuration read at 0x40000 succeeds only while the
// controller is not remote-locked.
#pragma once

#include <functional>

class QWidget;

using AccessCheckFn = std::function<bool(QWidget* parent)>;

// Installs the check the menu uses; an empty function restores the default.
void SetAccessCheck(AccessCheckFn check);
bool RunAccessCheck(QWidget* parent);

// The access probe alone: a read of 847 bytes at 0x40000 with the link's time-out.
bool AccessProbe();

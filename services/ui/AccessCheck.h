// The access check of the command menu: whether the controller may be used now. The
// password dialogs replace the default with one that prompts; until then the answer is
// what the access probe of services/ says.
#pragma once

#include <functional>

class QWidget;

using AccessCheckFn = std::function<bool(QWidget* parent)>;

// Installs the check the menu uses; an empty function restores the default.
void SetAccessCheck(AccessCheckFn check);
bool RunAccessCheck(QWidget* parent);

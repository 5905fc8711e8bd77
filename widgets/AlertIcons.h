#pragma once

#include <QPixmap>

#include "widgets/AlertStyle.h"

// The platform's standard icon for an alert icon kind, at message-box size.
QPixmap StandardAlertPixmap(AlertIcon icon);

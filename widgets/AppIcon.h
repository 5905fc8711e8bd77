#pragma once

#include <QIcon>

// The application icon (resource 128): the dialogs' small icon.
QIcon ApplicationIcon();

// The wait cursor for the life of a scope, as the program shows it around requests that
// block the user interface.
#pragma once

#include <QApplication>

class ScopedWaitCursor {
  public:
    ScopedWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~ScopedWaitCursor() { QApplication::restoreOverrideCursor(); }
    ScopedWaitCursor(const ScopedWaitCursor&) = delete;
    ScopedWaitCursor& operator=(const ScopedWaitCursor&) = delete;
};

// "Exit" (template 180): asks before the program ends. "Exit" (1008) closes the
// application's main window, which ends the main dialog and starts the shutdown;
// "Return" (1048) only closes this dialog.
#pragma once

#include <QDialog>

class CIhmDlgExit : public QDialog {
    Q_OBJECT
  public:
    // `mainWindow` is closed by "Exit"; may be null.
    explicit CIhmDlgExit(QWidget* mainWindow, QWidget* parent = nullptr);
    int DoModal();
    void Press(int buttonId);

  private:
    QWidget* mainWindow_;
};

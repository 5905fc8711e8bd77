// "Help" (template 183): what each menu option does.
#pragma once

#include <QDialog>

class CIhmDlgHelp : public QDialog {
    Q_OBJECT
  public:
    explicit CIhmDlgHelp(QWidget* parent = nullptr);
    int DoModal();
};

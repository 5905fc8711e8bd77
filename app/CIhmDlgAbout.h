// "About Quorvel" (template 100): the dialog icon and, in control 1217, the version.
#pragma once

#include <QDialog>

class CIhmDlgAbout : public QDialog {
    Q_OBJECT
  public:
    explicit CIhmDlgAbout(QWidget* parent = nullptr);
    int DoModal();
};

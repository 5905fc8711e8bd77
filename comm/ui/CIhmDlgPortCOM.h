// "USB settings" (dialog 134): the serial port of the controller's USB cable. Controls:
// info text 1191, port combo box 1012, "OK" 1, "Return" 2, "Test" 1010, "Refresh" 1013.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "wire/t71.h"

class QComboBox;
class QLabel;
class QPushButton;

class CIhmDlgPortCOM : public QDialog {
    Q_OBJECT
  public:
    explicit CIhmDlgPortCOM(QWidget* parent = nullptr);

    int DoModal();

    void OnTest();
    void OnOk();
    void OnRefresh();

    // The entry the dialog works with (the combo box's selection or text).
    const std::string& CurrentEntry() const { return current_; }

  private:
    void Fill();
    void OnSelectionChanged();

    QLabel* info_;
    QComboBox* ports_;
    QPushButton* ok_;
    QPushButton* test_;
    PARAM_COM stored_{};
    std::string remembered_;
    std::string current_;
};

// "Read/Write date and time" (dialog 178): reads the controller's clock and drift
// correction, and writes a date and time typed by the user (Manual) or the PC's (Auto)
// with the drift. Controls: "Read" 5, "Write" 4, "Return" 2; radios "Manual" 1148 and
// "Auto" 1149; Manual group: date picker 1055, hours 1032 / spin 1039, minutes 1026 / spin
// 1040, seconds 1027 / spin 1042, drift 1062; Auto group: date 1150, hours 1033, minutes
// 1028, seconds 1029. The logic is services/DateTime.
#pragma once

#include <QDialog>

#include "comm/ControllerLink.h"
#include "services/DateTime.h"

class QDateEdit;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QTimer;

// The up and down arrows beside a field; they wrap around the field's range.
class CIhmCtrlSpin : public QWidget {
    Q_OBJECT
  public:
    CIhmCtrlSpin(QWidget* parent, int id, QLineEdit* field, int low, int high);
    // One step up (+1) or down (-1), as the arrows do.
    void Step(int step);

  private:
    QLineEdit* field_;
    int low_, high_;
};

class CIhmDlgTime : public QDialog {
    Q_OBJECT
  public:
    explicit CIhmDlgTime(QWidget* parent = nullptr, comm::IControllerLink* link = nullptr);

    int DoModal();

    void OnRead();
    void OnWrite();
    void SetManual(bool manual);
    // Refreshes the Auto group from the PC clock (the 1000 ms timer's tick).
    void OnTick();

  private:
    QLineEdit* MakeField(int id, int low, int high, bool negative);
    void CheckField(QLineEdit* field, int low, int high);
    services::ClockTime ManualTime() const;
    int Drift() const;

    comm::IControllerLink& link_;
    QRadioButton* manual_;
    QRadioButton* auto_;
    QGroupBox* manualGroup_;
    QGroupBox* autoGroup_;
    QDateEdit* date_;
    QLineEdit* hours_;
    QLineEdit* minutes_;
    QLineEdit* seconds_;
    QLineEdit* drift_;
    QLineEdit* autoDate_;
    QLineEdit* autoHours_;
    QLineEdit* autoMinutes_;
    QLineEdit* autoSeconds_;
    QTimer* timer_;
};

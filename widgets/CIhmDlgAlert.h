// A short note that closes itself: a text (control 1146), a standard icon (1147) and a
// display time; when its timer fires it closes as if OK had been pressed (template 201).
#pragma once

#include <QDialog>

#include <string>

#include "widgets/AlertStyle.h"

class QTimer;

class CIhmDlgAlert : public QDialog {
    Q_OBJECT
  public:
    CIhmDlgAlert(const std::string& text, AlertIcon icon, int displayMs, QWidget* parent = nullptr);

    int DoModal();
    int DisplayMs() const { return displayMs_; }
    QTimer* Timer() const { return timer_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    std::string text_;
    int displayMs_;
    QTimer* timer_;
};

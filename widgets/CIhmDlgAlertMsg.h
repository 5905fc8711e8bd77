// The program's own message box: a title, a text, a standard icon and up to three
// buttons chosen by the style word; the modal result is the answer code of the button
// pressed (template 211: text 1223, icon 1222, buttons 1022, 1224, 1225).
#pragma once

#include <QDialog>

#include <array>
#include <string>

#include "widgets/AlertStyle.h"

class QLabel;
class QPushButton;

class CIhmDlgAlertMsg : public QDialog {
    Q_OBJECT
  public:
    CIhmDlgAlertMsg(const std::string& text, const std::string& title, int style,
                    QWidget* parent = nullptr);

    // Runs the alert through the modal seam; returns the answer code.
    int DoModal();

    int Style() const { return style_; }
    // The answer of the button with template id 1022, 1224 or 1225 (0 when hidden).
    int AnswerOf(int buttonId) const;
    // Presses a button as the user would (tests and scripts); ignored when hidden.
    void Press(int buttonId);

  private:
    std::string text_;
    std::string title_;
    int style_;
    AlertLayout layout_;
    std::array<QPushButton*, 3> buttons_{};
};

#include "widgets/Alerts.h"

#include "widgets/CIhmDlgAlert.h"
#include "widgets/CIhmDlgAlertMsg.h"

int ShowAlert(QWidget* parent, const std::string& text, const std::string& title, int style) {
    CIhmDlgAlertMsg dlg(text, title, style, parent);
    return dlg.DoModal();
}

int ErrorAlert(QWidget* parent, const std::string& text) {
    return ShowAlert(parent, text, kTitleError, kAlertStyleError);
}

int WarningAlert(QWidget* parent, const std::string& text) {
    return ShowAlert(parent, text, kTitleWarning, kAlertStyleWarning);
}

int InfoAlert(QWidget* parent, const std::string& text) {
    return ShowAlert(parent, text, kTitleInfo, kAlertStyleInfo);
}

bool QuestionAlert(QWidget* parent, const std::string& text) {
    return ShowAlert(parent, text, kTitleQuestion, kAlertStyleQuestion) == kAnswerYes;
}

void ShowNote(QWidget* parent, const std::string& text, AlertIcon icon, int displayMs) {
    CIhmDlgAlert note(text, icon, displayMs, parent);
    note.DoModal();
}

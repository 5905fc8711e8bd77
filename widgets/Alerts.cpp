#include "widgets/Alerts.h"

#include "widgets/CIhmDlgAlert.h"
#include "widgets/CIhmDlgAlertMsg.h"
#include "widgets/ModalSeam.h"

#include "platform/user_notices.h"

namespace {

// The text of the last alert or note shown after the first `start` modal requests.
std::string LastShownSince(std::size_t start) {
    const std::vector<ModalRequest>& shown = ModalSeam::History();
    if (start > shown.size())
        start = 0; // the list was cleared meanwhile
    for (std::size_t i = shown.size(); i > start; --i)
        if (shown[i - 1].kind == "alert" || shown[i - 1].kind == "note")
            return shown[i - 1].text;
    return {};
}

// A program with alerts tells the layers below what it showed, and shows their warnings in
// an alert (the service history's row messages and its first warning).
const bool kNoticesInstalled = [] {
    platform::SetUserNotices({[] { return ModalSeam::History().size(); }, LastShownSince,
                              [](const std::string& text) { WarningAlert(nullptr, text); }});
    return true;
}();

} // namespace

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

// The one place every modal interaction of the program goes through: alerts, notes,
// questions, file and folder choices and nested dialogs. In a normal run it simply runs
// the dialog. A test installs a script that answers instead: the script receives the
// dialog, already built and filled, so it can read what would be shown, press its
// controls, and return the answer the dialog would have returned.
#pragma once

#include <functional>
#include <string>
#include <vector>

class QDialog;

// What a modal call site is about to show.
struct ModalRequest {
    std::string kind;  // "alert", "note", "dialog", "file-open", "file-save", "folder", ...
    std::string name;  // the dialog's class name, e.g. "CIhmDlgAlertMsg", "CIhmDlgPortCOM"
    std::string title; // window title, when it has one
    std::string text;  // main text (alert text, suggested file name, start folder)
    int style = 0;     // alert style word; 0 elsewhere
};

// The answer a script gives. `code` is the dialog's result (an alert's answer code,
// QDialog::Accepted/Rejected for other dialogs). `text` carries a chosen path.
struct ModalAnswer {
    int code = 0;
    std::string text;
};

class ModalSeam {
  public:
    // `dialog` is null for choices that have no dialog object of ours (file choosers).
    using Script = std::function<ModalAnswer(QDialog* dialog, const ModalRequest& request)>;

    // Installs a script; every modal call is answered by it until Reset().
    static void SetScript(Script script);
    // Back to real modal dialogs; the history is kept.
    static void Reset();
    static bool IsScripted();

    // Runs `dialog` modally, or asks the script. Every call is recorded.
    static int Exec(QDialog& dialog, const ModalRequest& request);
    // For choices without a dialog of ours: the script's answer, or `runReal()` when
    // no script is installed.
    static ModalAnswer Ask(const ModalRequest& request,
                           const std::function<ModalAnswer()>& runReal);

    // Everything shown since the last ClearHistory(), oldest first.
    static const std::vector<ModalRequest>& History();
    static void ClearHistory();
};

// A script made of fixed answers, consumed in order; when they run out, each further
// request gets `fallback`. Convenient for tests that only care about the answers.
ModalSeam::Script ScriptedAnswers(std::vector<int> answers, int fallback = 0);

// How a transfer running in its worker thread reaches the user. A worker never touches a
// widget: it hands its alert (or question) to an ITransferUi and waits for the answer. The
// program's implementation (transfer/ui) marshals the alert to the user-interface thread and
// shows it there through the modal seam while the worker blocks; the command line prints it
// on standard error and answers questions from --yes/--no or the terminal.
#pragma once

#include <functional>
#include <string>

namespace transfer {

// The alert kinds of the transfers, with the platform's style words and the answer codes.
// A Summary is an information shown under the warning title: the end of a datalog read.
enum class AlertKind { Error, Warning, Information, Question, Summary };

constexpr int kStyleError = 16;
constexpr int kStyleQuestion = 36;
constexpr int kStyleWarning = 48;
constexpr int kStyleInformation = 64;
constexpr int kAnswerOk = 1;
constexpr int kAnswerYes = 6;
constexpr int kAnswerNo = 7;

int StyleOf(AlertKind kind);
// "Quorvel error", "Quorvel warning", "Quorvel", "Quorvel alert", "Quorvel warning".
const char* TitleOf(AlertKind kind);

class ITransferUi {
  public:
    virtual ~ITransferUi() = default;
    // Shows `text` as an alert of `kind` and waits until the user closed it. Returns the
    // answer code: kAnswerOk for the plain alerts, kAnswerYes or kAnswerNo for a question.
    virtual int Alert(AlertKind kind, const std::string& text) = 0;
    // Runs `job` where the user interface lives (the UI thread in the program, at once on the
    // command line) and waits for its result: nested dialogs of a transfer go through here.
    virtual int RunOnUi(const std::function<int()>& job) { return job(); }
};

// A user interface that shows nothing: alerts are answered OK, questions No. For transfers
// run by tools that print their own messages; keeps the last alert for them.
class SilentTransferUi final : public ITransferUi {
  public:
    int Alert(AlertKind kind, const std::string& text) override;
    const std::string& LastText() const { return lastText_; }

  private:
    std::string lastText_;
};

} // namespace transfer

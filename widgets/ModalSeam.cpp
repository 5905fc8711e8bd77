#include "widgets/ModalSeam.h"

#include <QDialog>

#include <memory>
#include <utility>

namespace {

struct SeamState {
    ModalSeam::Script script;
    std::vector<ModalRequest> history;
};

SeamState& State() {
    static SeamState state;
    return state;
}

} // namespace

void ModalSeam::SetScript(Script script) {
    State().script = std::move(script);
}

void ModalSeam::Reset() {
    State().script = nullptr;
}

bool ModalSeam::IsScripted() {
    return static_cast<bool>(State().script);
}

int ModalSeam::Exec(QDialog& dialog, const ModalRequest& request) {
    State().history.push_back(request);
    if (State().script) {
        // A copy: the script may install another script while it runs.
        Script script = State().script;
        ModalAnswer answer = script(&dialog, request);
        // Leave the dialog closed, as exec() would have.
        if (dialog.isVisible())
            dialog.done(answer.code);
        return answer.code;
    }
    return dialog.exec();
}

ModalAnswer ModalSeam::Ask(const ModalRequest& request,
                           const std::function<ModalAnswer()>& runReal) {
    State().history.push_back(request);
    if (State().script) {
        Script script = State().script;
        return script(nullptr, request);
    }
    return runReal();
}

const std::vector<ModalRequest>& ModalSeam::History() {
    return State().history;
}

void ModalSeam::ClearHistory() {
    State().history.clear();
}

ModalSeam::Script ScriptedAnswers(std::vector<int> answers, int fallback) {
    auto queue = std::make_shared<std::vector<int>>(std::move(answers));
    auto next = std::make_shared<std::size_t>(0);
    return [queue, next, fallback](QDialog*, const ModalRequest&) {
        ModalAnswer a;
        a.code = *next < queue->size() ? (*queue)[(*next)++] : fallback;
        return a;
    };
}

#include "transfer/ui/UiThreadTransferUi.h"

#include <QApplication>
#include <QMetaObject>
#include <QThread>

#include "widgets/Alerts.h"

int UiThreadTransferUi::Alert(transfer::AlertKind kind, const std::string& text) {
    QWidget* parent = parent_;
    return RunOnUi([parent, kind, &text] {
        return ShowAlert(parent, text, transfer::TitleOf(kind), transfer::StyleOf(kind));
    });
}

int UiThreadTransferUi::RunOnUi(const std::function<int()>& job) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread())
        return job();
    int result = 0;
    // The UI thread runs the progress dialog's event loop while the worker waits here.
    QMetaObject::invokeMethod(
        app, [&result, &job] { result = job(); }, Qt::BlockingQueuedConnection);
    return result;
}

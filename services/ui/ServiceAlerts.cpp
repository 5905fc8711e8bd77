#include "services/ui/ServiceAlerts.h"

#include "widgets/Alerts.h"

void ShowNotice(QWidget* parent, const services::Notice& notice) {
    switch (notice.kind) {
    case services::NoticeKind::Error:
        ErrorAlert(parent, notice.text);
        break;
    case services::NoticeKind::Warning:
        WarningAlert(parent, notice.text);
        break;
    case services::NoticeKind::Information:
        InfoAlert(parent, notice.text);
        break;
    }
}

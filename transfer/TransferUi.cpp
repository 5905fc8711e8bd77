#include "transfer/TransferUi.h"

namespace transfer {

int StyleOf(AlertKind kind) {
    switch (kind) {
    case AlertKind::Error:
        return kStyleError;
    case AlertKind::Warning:
        return kStyleWarning;
    case AlertKind::Information:
    case AlertKind::Summary:
        return kStyleInformation;
    case AlertKind::Question:
        return kStyleQuestion;
    }
    return kStyleError;
}

const char* TitleOf(AlertKind kind) {
    switch (kind) {
    case AlertKind::Error:
        return "Quorvel error";
    case AlertKind::Warning:
    case AlertKind::Summary:
        return "Quorvel warning";
    case AlertKind::Information:
        return "Quorvel";
    case AlertKind::Question:
        return "Quorvel alert";
    }
    return "Quorvel error";
}

int SilentTransferUi::Alert(AlertKind kind, const std::string& text) {
    lastText_ = text;
    return kind == AlertKind::Question ? kAnswerNo : kAnswerOk;
}

} // namespace transfer

#include "widgets/AlertStyle.h"

namespace {

AlertIcon IconForStyle(int style) {
    switch (style & 0xF0) {
    case 0x20:
        return AlertIcon::Question;
    case 0x30:
        return AlertIcon::Warning;
    case 0x40:
        return AlertIcon::Information;
    default:
        return AlertIcon::Error;
    }
}

} // namespace

AlertLayout AlertLayoutForStyle(int style) {
    AlertLayout layout;
    layout.icon = IconForStyle(style);
    auto& b = layout.buttons;
    switch (style & 0x0F) {
    case 0:
        b[2] = {"OK", kAnswerOk};
        break;
    case 1:
        b[1] = {"OK", kAnswerOk};
        b[2] = {"Cancel", kAnswerCancel};
        break;
    case 2:
        b[0] = {"Abort", kAnswerAbort};
        b[1] = {"Retry", kAnswerRetry};
        b[2] = {"Ignore", kAnswerIgnore};
        break;
    case 3:
        b[0] = {"Yes", kAnswerYes};
        b[1] = {"No", kAnswerNo};
        b[2] = {"Cancel", kAnswerCancel};
        break;
    case 4:
        b[1] = {"Yes", kAnswerYes};
        b[2] = {"No", kAnswerNo};
        break;
    case 5:
        b[1] = {"Retry", kAnswerRetry};
        b[2] = {"Cancel", kAnswerCancel};
        break;
    default:
        b[0] = {"Cancel", kAnswerCancel};
        b[1] = {"Try", kAnswerTry};
        b[2] = {"Continue", kAnswerContinue};
        break;
    }
    return layout;
}

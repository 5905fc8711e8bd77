// The style word of an alert, as the program's message boxes use it: the low 4 bits
// choose the button set, bits 4 to 7 the icon. The alert dialog shows what this says.
#pragma once

#include <array>
#include <string>

// Styles and titles in use.
constexpr int kAlertStyleError = 16;    // error icon, "OK"
constexpr int kAlertStyleQuestion = 36; // question icon, "Yes" / "No"
constexpr int kAlertStyleWarning = 48;  // warning icon, "OK"
constexpr int kAlertStyleInfo = 64;     // information icon, "OK"

inline constexpr const char* kTitleError = "Quorvel error";
inline constexpr const char* kTitleWarning = "Quorvel warning";
inline constexpr const char* kTitleQuestion = "Quorvel alert";
inline constexpr const char* kTitleInfo = "Quorvel";

// Answer codes, the platform's message-box numbering.
enum AlertAnswer : int {
    kAnswerOk = 1,
    kAnswerCancel = 2,
    kAnswerAbort = 3,
    kAnswerRetry = 4,
    kAnswerIgnore = 5,
    kAnswerYes = 6,
    kAnswerNo = 7,
    kAnswerTry = 10,
    kAnswerContinue = 11,
};

enum class AlertIcon { Error, Question, Warning, Information };

// One of the three buttons 1022, 1224, 1225: hidden when `text` is empty.
struct AlertButton {
    std::string text;
    int answer = 0;
};

struct AlertLayout {
    AlertIcon icon = AlertIcon::Error;
    std::array<AlertButton, 3> buttons; // in the order 1022, 1224, 1225
};

AlertLayout AlertLayoutForStyle(int style);

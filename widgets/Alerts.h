// Short forms for raising the program's alerts; each runs CIhmDlgAlertMsg modally
// through the modal seam and returns its answer code.
#pragma once

#include <string>

#include "widgets/AlertStyle.h"

class QWidget;

int ShowAlert(QWidget* parent, const std::string& text, const std::string& title, int style);
int ErrorAlert(QWidget* parent, const std::string& text);   // "Quorvel error", style 16
int WarningAlert(QWidget* parent, const std::string& text); // "Quorvel warning", style 48
int InfoAlert(QWidget* parent, const std::string& text);    // "Quorvel", style 64
// "Quorvel alert", style 36: true when the user answers Yes.
bool QuestionAlert(QWidget* parent, const std::string& text);
// CIhmDlgAlert: a note that closes itself after `displayMs`.
void ShowNote(QWidget* parent, const std::string& text, AlertIcon icon, int displayMs);

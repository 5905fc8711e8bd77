// The hidden-input edits of the password dialogs: characters shown as dots, a length limit,
// and their text taken out and wiped rather than copied around.
#pragma once

#include "services/Secret.h"

class QLineEdit;
class QWidget;

QLineEdit* MakePasswordEdit(QWidget* parent, int id, int maxLength);
// The edit's text as UTF-8; the edit keeps it.
services::Secret EditText(const QLineEdit* edit);
// The same, and the edit is emptied.
services::Secret TakeEditText(QLineEdit* edit);
// Empties the edit, overwriting what it held first.
void WipePasswordEdit(QLineEdit* edit);

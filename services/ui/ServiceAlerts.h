// The service logic's notices in the program's alerts: errors as "Quorvel error", warnings
// as "Quorvel warning", information as "Quorvel".
#pragma once

#include "services/Notice.h"

class QWidget;

void ShowNotice(QWidget* parent, const services::Notice& notice);

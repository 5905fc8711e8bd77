// The program's panel, on the communication client. Kept apart so that a view on another
// link does not need the client.
#include "panel/CIhmFaceAvantView.h"
#include "panel/ComClientPanelLink.h"

CIhmFaceAvantView::CIhmFaceAvantView(QWidget* parent)
    : CIhmFaceAvantView(panel::ComClientLink(), parent) {}

// Controls keep the numeric identifiers of the program's dialog templates; a Qt widget
// carries its identifier in its object name, "ctl<id>", so that code and tests find a
// control by the same number the templates use.
#pragma once

#include <QPushButton>
#include <QString>
#include <QWidget>

inline QString CtlName(int id) {
    return QStringLiteral("ctl%1").arg(id);
}

// `widget`, carrying template id `id`.
template <class T> T* Named(T* widget, int id) {
    widget->setObjectName(CtlName(id));
    return widget;
}

template <class T> T* FindCtl(const QWidget* parent, int id) {
    return parent->findChild<T*>(CtlName(id));
}

// A push button carrying template id `id`; never the default button by itself.
inline QPushButton* MakeCtlButton(QWidget* parent, int id, const char* text) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(CtlName(id));
    button->setAutoDefault(false);
    return button;
}

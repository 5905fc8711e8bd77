// The program's property sheet painted in the dialog colour: the sheet (a tab widget), its
// owner-drawn tab bar and its pages all take the button-face colour, their static texts the
// window text colour; the active page fills the sheet above its buttons.
#pragma once

#include <QTabBar>
#include <QTabWidget>
#include <QWidget>

class CIhmCtrlColorTab : public QTabBar {
    Q_OBJECT
  public:
    explicit CIhmCtrlColorTab(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

class CIhmCtrlColorPropertyPage : public QWidget {
    Q_OBJECT
  public:
    explicit CIhmCtrlColorPropertyPage(QWidget* parent = nullptr);
};

class CIhmCtrlColorPropertySheet : public QTabWidget {
    Q_OBJECT
  public:
    explicit CIhmCtrlColorPropertySheet(QWidget* parent = nullptr);
};

// The button-face palette the three share.
void ApplyDialogColour(QWidget* widget);

// The main window (template 168, "Quorvel"): the frame around the command panel, with
// the two buttons that fold and unfold the side column. Its idle pass is the program's
// heartbeat: the command panel follows the connected family and the front panel takes
// what the core server published.
#pragma once

#include <QDialog>
#include <QRect>

#include "panel/IdlePacer.h"

class CIhmDlgSubMain;
class QPushButton;
class QTimer;

class CIhmDlgMain : public QDialog {
    Q_OBJECT
  public:
    explicit CIhmDlgMain(QWidget* parent = nullptr);

    // The splash flag: whether initialisation shows the splash (tests turn it off).
    void SetSplashEnabled(bool on) { splashEnabled_ = on; }
    // Builds the window: splash, command panel from template 102, folded start.
    void Initialise();
    // The modal run of the program's life.
    int DoModal();

    // Buttons 1022 "<" and 1023 ">".
    void Fold();
    // One idle pass: rebuild the command panel after a family change, then the front
    // panel's tick.
    void IdlePass();

    CIhmDlgSubMain* SubMain() const { return subMain_; }
    int PanelFamily() const { return panelFamily_; }
    bool SideColumnFlag() const { return sideColumn_; }
    QTimer* IdleTimer() const { return idle_; }

  protected:
    void reject() override; // Escape: the Exit dialog, as the panel's cancel command
    void closeEvent(QCloseEvent* event) override;

  private:
    CIhmDlgSubMain* subMain_;
    QPushButton* fold_;   // 1022 "<"
    QPushButton* unfold_; // 1023 ">"
    QTimer* idle_;
    panel::IdlePacer pacer_;
    QRect unfolded_;
    int panelFamily_ = 0;
    bool sideColumn_ = true;
    bool splashEnabled_ = true;
    bool initialised_ = false;
    bool closing_ = false;
};

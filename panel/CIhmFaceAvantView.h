// CIhmFaceAvantView: the live front panel of the main window. It paints the controller's
// front (the style folder's "vd_bg.png"), the four-line LCD and the status icons, and it
// holds the six key buttons (A, B, -, +, Esc, Enter) laid out as the family's template
// places them. Clicks on the keys become key masks written at 0x6000.
//
// Embedding, in the command panel (CIhmDlgSubMain):
//
//     auto* view = new CIhmFaceAvantView(this);     // a child widget at (0, 0), 350 x 223
//     view->SetWarningHook([this](const std::string& text) { WarningAlert(this, text); });
//     view->SetFamily(ControllerFamily());           // look, pictures, key layout, key bits
//
//     // every idle pass of the main dialog (a QTimer of about 10 ms is plenty):
//     view->Tick();
//
//     // "Controller parameter access" in the command menu:
//     view->ToggleKey(panel::kKeyChord); /* wait 210 ms */ view->ToggleKey(panel::kKeyChord);
//     // or, when the controller has no chord: view->ClickKey(panel::kKeyEsc);
//
// The command panel keeps only its Menu / Help / About / Exit column beside the view.
// SetFamily builds the panel anew for a family, as a rebuilt command panel does: the key
// mask goes back to 0 and the keys to their normal pictures, while the process-wide key
// state (panel::KeyState) is kept. Key clicks arrive on the view's own buttons: a click
// presses and releases the key (Enter with monitoring paused), a double-click toggles it
// held. Everything runs on the user-interface thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <QColor>
#include <QPoint>
#include <QString>
#include <QWidget>

#include "panel/FrontPanelSession.h"

class QAbstractButton;
class CGfxNote;
class CGfxIconeBar;
class CIhmCtrlKeyButton;

class CIhmFaceAvantView : public QWidget {
    Q_OBJECT

  public:
    // The panel of the program, on the communication client.
    explicit CIhmFaceAvantView(QWidget* parent = nullptr);
    // A panel on another link (tests, benchmarks); `link` must outlive the view.
    CIhmFaceAvantView(panel::PanelLink& link, QWidget* parent = nullptr);
    ~CIhmFaceAvantView() override;

    // Folder holding res/ (ends with '/'); by default QUORVEL_PROGRAM_DIR when set, else the
    // executable's folder. Takes effect at the next SetFamily.
    void SetProgramFolder(const QString& folder);
    // Builds the panel for a family index (0 kz9, 1 Pask, anything else Trel).
    void SetFamily(int family);
    int Family() const;

    // The idle pass: takes what the core server published and repaints when anything came.
    // Returns how many publications the pass took.
    int Tick();

    // Key operations: 0-5 are A, B, -, +, Esc, Enter; 6 is the Esc+Enter chord.
    void ToggleKey(int key);
    void ClickKey(int key);
    void ClickEnter();
    void DoubleClickKey(int key);
    std::uint8_t KeyMask() const;

    // Warning alert for a failed key write ("Communication Failed"); nothing by default.
    void SetWarningHook(std::function<void(const std::string&)> hook);
    // The 200 ms pause of a click; by default a blocking sleep.
    void SetWaitHook(std::function<void(int ms)> hook);

    // What is on show, for tests and tools.
    bool HasScreen() const;
    QString LcdText() const;          // the four rows joined by " \n", as drawn
    std::uint32_t ShownIcons() const; // bit i: icon i
    QColor BackgroundColour() const;
    std::uint64_t PublicationsTaken() const;   // display reads taken since SetFamily
    QAbstractButton* KeyButton(int key) const; // 0-5
    bool KeyPictureLoaded(int key) const;      // 0-5: whether the style folder had it
    bool KeyPicturePressed(int key) const;     // 0-5: the picture now set

  signals:
    // After every repaint request that new publications caused.
    void Redrawn();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    struct Impl;
    void BuildKeys();
    void SetKeyPicture(int key, bool pressed);
    void RequestRedraw();

    panel::PanelLink& link_;
    std::unique_ptr<Impl> d_;
};

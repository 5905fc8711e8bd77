// The command panel: the live front panel of the controller (with its keys) and the
// column of Menu, Help, About and Exit. The object lives as long as the main dialog; its
// window is destroyed and created again from another template whenever the connected
// family changes, which gives a fresh front-panel view (key mask 0, the family's pictures).
#pragma once

#include <QWidget>

#include <functional>
#include <string>

#include "app/MenuActions.h"

class CIhmFaceAvantView;
class QPushButton;

class CIhmDlgSubMain : public QWidget, private IMenuUi {
    Q_OBJECT
  public:
    explicit CIhmDlgSubMain(QWidget* parent = nullptr);
    ~CIhmDlgSubMain() override;

    // Builds the window from template 102, 167 or 220.
    void Create(int templateId);
    // Destroys the window's contents (front-panel view and buttons).
    void DestroyWindow();
    int TemplateId() const { return templateId_; }
    // How many times the window was created: tests see a family change rebuild it.
    int CreationCount() const { return creations_; }

    // The idle pass's front-panel tick.
    // The front panel's idle pass; returns how many publications it took.
    int Tick();

    // Button 1000: the command menu, from its preparation to the command's end.
    void OnMenu();
    void OnHelp();
    void OnAbout();
    void OnExit();
    // A command of the window's own menu: 16 to 31 open About, the others do nothing.
    void OnSysCommand(int command);
    static constexpr int kSysCommandAbout = 16;

    // The last menu built, as it was offered.
    const CommandMenu& LastMenu() const { return lastMenu_; }
    MenuActions& Actions() { return actions_; }
    CIhmFaceAvantView* View() const { return view_; }

    // True while a command of the panel runs (menu, Help, About, Exit): its window must
    // not be rebuilt then, since the button that started the command is part of it.
    bool Busy() const { return busy_ > 0; }

    // The size of the panel's window in pixels.
    static QSize PanelSize();

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    // IMenuUi
    int Alert(const std::string& text, const std::string& title, int style) override;
    void SetWaitCursor(bool on) override;
    bool RunConnectionDialog(int command) override;
    bool AccessCheck() override;
    bool RunServiceDialog(int command) override;
    void ToggleChord() override;
    void ClickEsc() override;

    // Shows the menu at the Menu button; the chosen command, or 0.
    int ChooseCommand(const CommandMenu& menu);

    MenuActions actions_;
    CommandMenu lastMenu_;
    CIhmFaceAvantView* view_ = nullptr;
    QWidget* column_ = nullptr;
    int templateId_ = 0;
    int creations_ = 0;
    int busy_ = 0;
};

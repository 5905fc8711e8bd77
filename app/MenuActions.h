// The command menu's behaviour: what it reads before it opens, and what each of its
// commands does with the controller. Windows, cursors and nested dialogs are reached
// through IMenuUi, so the same logic runs under the main window and under tests.
#pragma once

#include <cstdint>
#include <string>

#include "app/MenuModel.h"
#include "model/ControllerMemory.h"

class IMenuUi {
  public:
    virtual ~IMenuUi() = default;
    // A modal alert; returns its answer code.
    virtual int Alert(const std::string& text, const std::string& title, int style) = 0;
    virtual void SetWaitCursor(bool on) = 0;
    // The USB (15), Ethernet (16) or Bluetooth (17) dialog; true when it ended with OK.
    virtual bool RunConnectionDialog(int command) = 0;
    // Whether the controller may be used now (not locked, or unlocked by the user).
    virtual bool AccessCheck() = 0;
    // The service dialog of a command (3, 4, 5, 6, 7, 18); false when it has none yet.
    virtual bool RunServiceDialog(int command) = 0;
    // Front panel: hold or release the Esc+Enter chord, and one click of the Esc key.
    virtual void ToggleChord() = 0;
    virtual void ClickEsc() = 0;
};

// Controller memory used by the menu (the run state, the state word and the command codes are
// in model/ControllerMemory.h).
constexpr std::uint32_t kParameterAccessAddress = 0x5900;
// The wait between holding and releasing the parameter-access chord.
constexpr int kChordHoldMs = 210;
// Time-out of the run-state read that resumes monitoring after a cancelled dialog.
constexpr std::uint32_t kResumeReadTimeoutMs = 1000;

class MenuActions {
  public:
    explicit MenuActions(IMenuUi& ui) : ui_(ui) {}

    // Stops monitoring, reads what the menu needs and builds it.
    CommandMenu Prepare();
    // Runs a chosen command (0: none chosen).
    void Run(int command);
    // Whatever happened: monitoring back on when the link is connected.
    void Finish();

    // What a confirmed connection dialog leads to: the state-word read, CONNECT, the
    // access check and START_MONITOR; then the link kind of `command` (15, 16, 17) and
    // the link-configured flag. True when monitoring runs on the new link.
    bool CompleteConnection(int command);

    bool Running() const { return running_; }
    void SetRunning(bool running) { running_ = running; }

    // The core server's disconnected flag is not 1.
    static bool IsConnected();
    // Software capability check of the connected controller; a failed identity read
    // answers yes. A family index outside 0-2 is set to 2 and answers no.
    static bool CapabilityCheck();

  private:
    void ConnectWithDialog(int command);
    void DisconnectOrReconnect();
    void ServiceWithCapability(int command, bool refuseWhenIncapable);
    void ServiceDialog(int command);
    void ParameterAccess();
    void StopOrStart(int command);
    // Reads whether the controller now runs and says so; the text shown.
    const char* ConfirmRunState();
    bool ChecksForStartStop();
    void WarnFailed();

    IMenuUi& ui_;
    bool running_ = false;
};

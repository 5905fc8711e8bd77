#include "app/MenuActions.h"

#include <optional>

#include "comm/CComClient.h"
#include "comm/CComManager.h"
#include "comm/ControllerLink.h"
#include "comm/LinkState.h"
#include "comm/ProcessState.h"
#include "comm/SharedTexts.h"
#include "comm/ui/PortChoice.h"
#include "history/HistoryRecord.h"
#include "history/ProgramRecording.h"
#include "model/ControllerMemory.h"
#include "model/ModelTable.h"
#include "model/TableFactory.h"
#include "platform/link_cause.h"
#include "widgets/AlertStyle.h"
#include "widgets/UiClock.h"

namespace {

CComClient& Client() {
    return CComClient::Instance();
}

// Bit 0 of the fourth byte of the run state; nothing when the read fails.
std::optional<bool> ReadRunning(std::uint32_t timeoutMs) {
    std::uint8_t b[4] = {};
    if (Client().SendRead(b, model::kRunStateAddress, 4, timeoutMs) != 0)
        return std::nullopt;
    return (b[3] & 0x01) != 0;
}

// The state word, big-endian; nothing when the read fails.
std::optional<std::uint32_t> ReadStateWord() {
    std::uint8_t b[4] = {};
    if (Client().SendRead(b, model::kStateWordAddress, 4, RequestTimeoutMs()) != 0)
        return std::nullopt;
    return std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 |
           std::uint32_t(b[3]);
}

std::optional<int> ReadProductType() {
    int model = model::kUnknownModel;
    if (model::ReadBootModel(model) != 0)
        return std::nullopt;
    return model;
}

int WriteCommand(std::uint8_t code) {
    return Client().SendCommand(code, 0, RequestTimeoutMs());
}

// The link kind a connection command sets.
int LinkKindOf(int command) {
    switch (command) {
    case kMenuEthernet:
    case kMenuFleet: // a controller chosen in the fleet window is an Ethernet link
        return 2;
    case kMenuBluetooth:
        return 1;
    default:
        return 0;
    }
}

class WaitCursor {
  public:
    explicit WaitCursor(IMenuUi& ui) : ui_(ui) { ui_.SetWaitCursor(true); }
    ~WaitCursor() { ui_.SetWaitCursor(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    IMenuUi& ui_;
};

} // namespace

bool MenuActions::IsConnected() {
    return CComManager::Instance().linkClosed.load() != 1;
}

bool MenuActions::CapabilityCheck() {
    int family = ControllerFamily().load();
    if (family < 0 || family > 2) {
        ControllerFamily().store(2);
        return false;
    }
    auto identity = model::CreateIdentityTable(family);
    if (!identity || identity->Read() != 0)
        return true;
    return model::SoftwareOffersServices(family, identity->GetSoftwareV(), identity->GetSoftwareI(),
                                         identity->GetSoftwareR());
}

CommandMenu MenuActions::Prepare() {
    Client().StopMonitor();
    MenuInputs in;
    in.connected = IsConnected();
    in.linkConfigured = LinkConfigured().load() == 1;
    if (in.connected) {
        WaitCursor wait(ui_);
        if (auto running = ReadRunning(RequestTimeoutMs()))
            running_ = *running;
        in.stateWord = ReadStateWord();
        if (!in.stateWord || !model::IsLoaderOnlyState(*in.stateWord))
            in.productType = ReadProductType();
    }
    in.running = running_;
    return BuildCommandMenu(in);
}

void MenuActions::Finish() {
    if (IsConnected())
        Client().StartMonitor();
}

void MenuActions::Run(int command) {
    switch (command) {
    case kMenuUsb:
    case kMenuEthernet:
    case kMenuBluetooth:
    case kMenuFleet:
        ConnectWithDialog(command);
        break;
    case kMenuDisconnection:
        DisconnectOrReconnect();
        break;
    case kMenuPassword:
        ServiceDialog(command);
        break;
    case kMenuUpdateFirmware:
    case kMenuDateTime:
        ServiceWithCapability(command, false);
        break;
    case kMenuProgram:
    case kMenuDatalogs:
    case kMenuDiagnostics:
        ServiceWithCapability(command, true);
        break;
    case kMenuParameterAccess:
        ParameterAccess();
        break;
    case kMenuStopOrStart:
    case kMenuStartWithReset:
        StopOrStart(command);
        break;
    case kMenuServiceHistory:
        // A program written back from the window needs the link as any service does.
        if (IsConnected())
            ServiceDialog(command);
        else
            ui_.RunServiceDialog(command);
        break;
    default:
        break;
    }
}

void MenuActions::ConnectWithDialog(int command) {
    Client().StopMonitor();
    if (!ui_.RunConnectionDialog(command)) {
        // Cancelled: show the previous link again, if it still answers.
        std::uint8_t b[4] = {};
        if (Client().SendRead(b, model::kRunStateAddress, 4, kResumeReadTimeoutMs) == 0)
            Client().StartMonitor();
        return;
    }
    CompleteConnection(command);
}

bool MenuActions::CompleteConnection(int command) {
    if (!ReadStateWord()) {
        ui_.Alert(texts::kCommunicationFailed, kTitleError, kAlertStyleError);
        return false;
    }
    Client().Connect();
    if (!ui_.AccessCheck())
        return false;
    if (Client().StartMonitor() != 0) {
        ui_.Alert(texts::kCommunicationFailed, kTitleError, kAlertStyleError);
        return false;
    }
    ConnectionKind().store(LinkKindOf(command));
    LinkConfigured().store(1);
    return true;
}

void MenuActions::DisconnectOrReconnect() {
    if (IsConnected()) {
        Client().Deconnect();
        return;
    }
    // CONNECT is answered OK whatever became of the link: the link itself tells.
    if (Client().Connect() == 0 && IsConnected()) {
        if (!ui_.AccessCheck())
            return;
        if (Client().StartMonitor() == 0)
            return;
    }
    // Under the message, why the link did not open (a missing or busy port, a refused
    // address), so that the technician knows what to fix.
    std::string cause;
    PARAM_COM param{};
    if (Client().GetCommParam(param) == 0)
        cause = portchoice::LinkOpenCause(param);
    ui_.Alert(platform::WithCause(texts::kNotReacting, cause), kTitleError, kAlertStyleError);
}

// Firmware and clock (`refuseWhenIncapable` false) still open on old software, without the
// access check; program, datalogs and diagnostics refuse with a warning.
void MenuActions::ServiceWithCapability(int command, bool refuseWhenIncapable) {
    bool capable = CapabilityCheck();
    if (!capable && refuseWhenIncapable) {
        ui_.Alert(texts::kUpdateSoftware, kTitleWarning, kAlertStyleWarning);
        return;
    }
    if (capable && !ui_.AccessCheck())
        return;
    ServiceDialog(command);
}

void MenuActions::ServiceDialog(int command) {
    {
        WaitCursor wait(ui_);
        Client().StopMonitor();
    }
    // The dialog runs with the normal cursor: it has its own controls to work with.
    if (!ui_.RunServiceDialog(command))
        return; // nothing opened: the link was not touched
    WaitCursor wait(ui_);
    Client().Connect();
    Client().StartMonitor();
}

void MenuActions::ParameterAccess() {
    if (!CapabilityCheck()) {
        ui_.Alert(texts::kUpdateSoftware, kTitleWarning, kAlertStyleWarning);
        return;
    }
    if (!ui_.AccessCheck())
        return;
    std::uint8_t value = 0;
    if (Client().SendRead(&value, kParameterAccessAddress, 1, RequestTimeoutMs()) != 0) {
        WarnFailed();
        return;
    }
    if (value == 1) {
        ui_.ToggleChord();
        UiClock::Wait(kChordHoldMs);
        ui_.ToggleChord();
    } else {
        ui_.ClickEsc();
    }
}

bool MenuActions::ChecksForStartStop() {
    return !CapabilityCheck() || ui_.AccessCheck();
}

void MenuActions::StopOrStart(int command) {
    if (!ChecksForStartStop())
        return;
    const bool stop = command == kMenuStopOrStart && running_;
    history::OperationRecord record(stop ? history::kStop : history::kStart, comm::ComClientLink());
    if (stop) {
        if (WriteCommand(model::kCommandStop) != 0) {
            WarnFailed();
            return record.Finish(history::kFailed, texts::kCommunicationFailed);
        }
        ui_.Alert(texts::kSwitchedOff, kTitleInfo, kAlertStyleInfo);
        running_ = false;
        return record.Finish(history::kDone, texts::kSwitchedOff);
    }
    int result;
    if (command == kMenuStartWithReset) {
        WaitCursor wait(ui_);
        result = WriteCommand(model::kCommandStartReset);
    } else {
        result = WriteCommand(model::kCommandStart);
    }
    if (result != 0) {
        WarnFailed();
        return record.Finish(history::kFailed, texts::kCommunicationFailed);
    }
    const char* shown = ConfirmRunState();
    record.Finish(shown == texts::kSwitchedOn ? history::kDone : history::kFailed, shown);
}

const char* MenuActions::ConfirmRunState() {
    auto running = ReadRunning(RequestTimeoutMs());
    if (!running) {
        WarnFailed();
        return texts::kCommunicationFailed;
    }
    if (*running) {
        ui_.Alert(texts::kSwitchedOn, kTitleInfo, kAlertStyleInfo);
        running_ = true;
        return texts::kSwitchedOn;
    }
    ui_.Alert(texts::kNoRunMode, kTitleInfo, kAlertStyleInfo);
    return texts::kNoRunMode;
}

void MenuActions::WarnFailed() {
    ui_.Alert(texts::kCommunicationFailed, kTitleWarning, kAlertStyleWarning);
}

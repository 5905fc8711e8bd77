// What the dialog and the command line share around a firmware transfer: the transfer of the
// current link, and the reconnection after a successful update (the same link, port, address
// or Bluetooth device, as stored in the core), which reads the new software version back.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "firmware/CTransfertWriteFW.h"
#include "firmware/FirmwareFolders.h"
#include "transfer/TransferClock.h"

namespace transfer {

// The transfer for link kind 0 USB, 1 Bluetooth, 2 Ethernet; null for any other kind.
std::unique_ptr<CTransfertWriteFW>
CreateFirmwareTransfer(int linkKind, const std::string& path,
                       comm::IControllerLink& link = comm::ComClientLink(),
                       ILinkSession& session = ComClientSession());

struct Reconnection {
    bool ok = false;
    int familyIndex = -1;
    std::string softwareVersion; // V.I.R of the controller's software, e.g. "1.10.00"
};

constexpr int kReconnectTries = 10;
constexpr std::uint32_t kReconnectPauseMs = 3000;

// Closes the link and opens it again until the controller answers its identification and its
// identity record, at most `tries` times with `pauseMs` of `clock` between them.
Reconnection ReconnectAfterUpdate(comm::IControllerLink& link, ILinkSession& session,
                                  ITransferClock& clock, int tries = kReconnectTries,
                                  std::uint32_t pauseMs = kReconnectPauseMs);

// The reconnection as a transfer, so that the program's progress dialog and the command line's
// progress line show it: fails with a plain message when the controller does not come back.
class CTransfertReconnect : public ITransfert {
  public:
    explicit CTransfertReconnect(comm::IControllerLink& link = comm::ComClientLink(),
                                 ILinkSession& session = ComClientSession())
        : ITransfert(link), session_(session) {}
    void Run() override;
    const Reconnection& Result() const { return result_; }

  private:
    ILinkSession& session_;
    Reconnection result_;
};

// The version a package's file name announces ("Larch_1_10_00_2_4_-1--------.vqfw" gives
// 1.10.00) for a controller of `modelIndex`, in any of the languages; nullopt for a name that
// does not follow the rule of the model's package folder.
std::optional<fw::PackageVersion> PackageNameVersion(const std::string& path, int modelIndex);

// Whether an update took, judged by what changed: the package's header texts need not equal
// what the controller reports (a package "1.10" may bring 1.10.03). An update did not take
// only when the controller still reports the version it ran before while the package was
// named for another one. Re-flashing the version already there is a success.
struct UpdateVerdict {
    bool started = true;
    std::string message; // the failure, or a note when a started version differs from the name
};
UpdateVerdict JudgeUpdate(const std::string& before, const std::string& after,
                          const std::optional<fw::PackageVersion>& named);

} // namespace transfer

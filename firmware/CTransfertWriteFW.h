// The firmware update of one controller from a package file, run in the transfer worker:
//  - analysis (5 to 8 %): the identity, the model index, the package read, checked against
//    its line template and its blocks extracted. All of it happens before the first erase,
//    so a damaged package or one made for another model leaves the controller untouched;
//  - decoding (10 %), deletion of the program areas (to 20 %), loading the images (to 90 %),
//    the reboot countdowns, and the datalog erase (90 to 99 %).
// The link variants (USB, Bluetooth, Ethernet) differ in how they flash; this class holds the
// common part and the steps the USB and Bluetooth variants share.
#pragma once

#include <cstdint>
#include <string>

#include "firmware/FirmwarePackage.h"
#include "model/CFctTabIdentite.h"
#include "model/ControllerMemory.h"
#include "transfer/ITransfert.h"
#include "transfer/LinkSession.h"

namespace transfer {

// State words the update acts on.
constexpr std::uint32_t kStateLoaderIdle = 0x400001F5;
constexpr std::uint32_t kStateLoading = 0x400001F6;
constexpr std::uint32_t kStateLoaded = 0x400001F7;
constexpr std::uint32_t kStateTrelPending = 0x40000201;
// How often, and how far apart, a restarting controller is asked for its state word.
constexpr int kRestartChecks = 10;
constexpr std::uint32_t kRestartCheckPauseMs = 1000;
// Each silent check costs a whole link time-out (40 s over Bluetooth): no new check starts
// once the checks have taken this long, so a controller that never comes back fails the
// update in about a minute, not ten time-outs.
constexpr std::uint32_t kRestartChecksBudgetMs = 60000;

// Addressed commands of the daughter board and of the update.
constexpr std::uint32_t kBoardSessionOpen = 0x47000000;
constexpr std::uint32_t kBoardSessionClose = 0x47000001;
constexpr std::uint32_t kBoardErase = 0x47000002;
constexpr std::uint32_t kBoardCommitFirmware = 0x47000004;
constexpr std::uint32_t kBoardRestart = 0x47000008;
constexpr std::uint32_t kPrepareBootloader = 0x47000009;
constexpr std::uint32_t kCommitBoardBootloader = 0x4700000B;
constexpr std::uint32_t kCommitTarget = 0x4700000C;
constexpr std::uint32_t kPassOpen = 0x100;
constexpr std::uint32_t kPassClose = 0x200;

// The alert a package refused for `error` shows (null for kNone).
const char* PackageAlertText(fw::PackageError error);

class CTransfertWriteFW : public ITransfert {
  public:
    CTransfertWriteFW(std::string packagePath, comm::IControllerLink& link, ILinkSession& session);
    void Run() override;

    const std::string& PackagePath() const { return path_; }
    // The model index read at the start (255 until then).
    int ModelIndex() const { return model_; }
    // The controller's software version read at the start ("1.06.20"), to judge the update by.
    const std::string& StartVersion() const { return startVersion_; }

  protected:
    // Loads the package's images; true on success (the alert already shown otherwise).
    virtual bool Flash() = 0;
    // The model indices this link can update.
    virtual bool AcceptsModel(int modelIndex) const = 0;
    // Whether the model index is read again from the identity table (Ethernet) rather than
    // from the boot identity before flashing.
    virtual bool ModelFromIdentity() const { return false; }
    // Ethernet opens the link again before the datalog erase; false skips the erase.
    virtual bool BeforeDatalogErase() { return true; }
    // The time-out of the two datalog status reads before the erase command (which takes the
    // link's).
    virtual std::uint32_t DatalogStatusTimeoutMs() const { return LinkTimeoutMs(); }
    // Bluetooth reads the identity of the family first; the others the T71 layout.
    virtual bool ReadStartIdentity();

    // ---- Shared steps.
    // The 4-byte big-endian state word; false when it cannot be read.
    bool ReadStateWord(std::uint32_t& word);
    // The state word of a controller that may still be restarting: asked again, with a pause
    // on the transfer clock between tries, until it answers (at most kRestartChecks tries,
    // none started after kRestartChecksBudgetMs of failed reads).
    // The next request then does not fall into the silence of the restart, however short the
    // clock makes the countdown before it.
    bool AwaitStateWord(std::uint32_t& word);
    // The state word before flashing: a controller left in its loader by an earlier attempt
    // has no program to delete (SkipDeletion). Fails the transfer when it cannot be read.
    bool CheckLoaderState();
    // Deletes the program areas; `keepConfiguration` is the Trel form (the record read back
    // and written again). Shows the deletion alert on failure.
    bool ClearProgram(bool keepConfiguration, CommandKind boardEraseKind, bool checkSlotErase);
    // 15 seconds of daughter-board erase, percent from 12 up to 20.
    void WaitBoardErase();
    // Before each USB/Bluetooth base load: the state word, and [7, 0] when an image waits.
    bool PrepareLoader();
    // [6, mode], countdown, the image by SEND_WRITE, [7, 0].
    bool LoadBaseImage(fw::ImageKind kind, std::uint8_t mode, const char* step, const char* error);
    // The daughter-board bootloader and firmware of the USB/Bluetooth path.
    bool LoadBoardImages(bool bluetooth);
    // Sets bytesPerPercent from the bytes still to load, with percent rising up to 90.
    void StartLoading(std::uint32_t totalBytes);
    std::uint32_t ImageSize(fw::ImageKind kind) const;
    const fw::Bytes& Image(fw::ImageKind kind) const;
    bool HasDaughterBoard() const;
    int IdentityFamily() const; // 0 for the T71 layout, 2 for Trel

    ILinkSession& Session() { return session_; }
    const fw::FirmwarePackage& Package() const { return package_; }
    std::uint8_t SoftwareI() const { return softwareI_; }
    // Keeps the software version and index of the identity read at the start.
    void KeepStartIdentity(CFctTabIdentite& identity);
    bool SkipDeletion() const { return skipDeletion_; }

  private:
    bool Analyse();
    bool EraseAfterUpdate();

    std::string path_;
    ILinkSession& session_;
    fw::FirmwarePackage package_;
    int model_ = 255;
    int family_ = 1;
    std::uint8_t softwareI_ = 0;
    std::string startVersion_;
    bool skipDeletion_ = false;
};

} // namespace transfer

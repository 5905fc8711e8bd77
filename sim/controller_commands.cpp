// Sessions, the remote lock, restarts, and the commands at 0x7000 and the addressed
// commands at 0x47000000.
#include <algorithm>
#include <cstring>

#include "sim/controller_helpers.h"
#include "sim/controller_state.h"

namespace sim {

using namespace detail;

void ControllerState::StartSession() {
    // Each session starts locked when a remote password is stored.
    locked_ = HasRemotePassword();
}

void ControllerState::SessionEnd(std::int64_t /*now_ms*/) {
    locked_ = HasRemotePassword();
    xt_query_ = 0;
    // An update interrupted by the end of the session leaves the loader without firmware;
    // the Trel part 2, once written, waits for the command that starts it.
    if (loader_ == LoaderState::kLoading)
        loader_ = LoaderState::kLoaderIdle;
    if (trel_part2_ && profile_.family == Family::kTrel && loader_ == LoaderState::kApp) {
        loader_ = LoaderState::kTrelPending;
        running_ = false;
    }
    trel_part2_ = false;
}

void ControllerState::ApplyPendingVersions() {
    if (pending_software_)
        profile_.software = *pending_software_;
    if (pending_bootloader_)
        profile_.bootloader = *pending_bootloader_;
    pending_software_.reset();
    pending_bootloader_.reset();
}

void ControllerState::Reboot(std::int64_t now_ms) {
    silent_until_ms_ = now_ms + options_.reboot_ms;
    // The controller starts into the images received whole.
    if (loader_ == LoaderState::kApp)
        ApplyPendingVersions();
    // A restart serves the stored configuration again and ends the session.
    config_served_ = AreaNamed("TabConf")->data;
    locked_ = HasRemotePassword();
    xt_query_ = 0;
    if (!ProgramPresent())
        running_ = false;
}

Reply ControllerState::Unlock(const Request& r, std::int64_t now_ms) {
    if (r.count != 10)
        return Exception(kExIllegalValue, "unlock password is 10 bytes");
    if (!HasRemotePassword())
        return Ack("unlock: no password stored");
    if (lock_attempts_ == 0)
        return Ack("unlock: blocked, ignored");
    if (!options_.lock_available || !options_.lock_unlockable)
        return Ack("unlock: not possible from here, ignored");
    if (std::equal(remote_password_.begin(), remote_password_.end(), r.data)) {
        locked_ = false;
        lock_attempts_ = 5;
        return Ack("unlock: right password");
    }
    --lock_attempts_;
    if (lock_attempts_ == 0) {
        lock_block_ = 60;
        lock_tick_ms_ = now_ms + kHalfMinuteMs;
        return Ack("unlock: wrong password, blocked for 60 half-minutes");
    }
    return Ack("unlock: wrong password, " + std::to_string(lock_attempts_) + " attempts left");
}

Reply ControllerState::NewPassword(const Request& r) {
    if (r.count != 10)
        return Exception(kExIllegalValue, "new password is 10 bytes");
    std::copy(r.data, r.data + 10, remote_password_.begin());
    lock_attempts_ = 5;
    lock_block_ = 0;
    if (!HasRemotePassword()) {
        locked_ = false;
        return Ack("remote password cleared");
    }
    return Ack("remote password stored");
}

// ---------------------------------------------------------------- commands

Reply ControllerState::Command(const Request& r, std::int64_t now_ms) {
    if (r.count == 4 && r.data[0] == 0x14 && r.data[1] == 0 && r.data[2] == 0 &&
        r.data[3] == 0x14) {
        StartSession();
        Reply rep = Ack("session start (hello)");
        if (options_.fault_hello_busy) {
            rep.echo_address = 0x7100;
            rep.note += ", answered busy";
        }
        return rep;
    }
    if (r.count != 2)
        return Exception(kExIllegalValue, "command is 2 bytes");
    const std::uint8_t code = r.data[0], arg = r.data[1];
    const std::string name = "cmd [" + std::to_string(code) + "," + std::to_string(arg) + "] ";
    const bool in_loader = BootloaderRunning();

    if (code == 7) {
        // Never answered: the sender does not wait, and a late answer would spoil its next
        // exchange.
        if (r.IsExt()) {
            xt_query_ = 0;
            return Silent(name + "end of expansion query");
        }
        if (r.function == 0x20)
            return Silent(name + "start daughter-board image");
        switch (loader_) {
        case LoaderState::kLoading:
            // Started without a whole image: the loader is left without firmware.
            loader_ = image_bytes_ > 0 && !image_incomplete_ ? LoaderState::kApp
                                                             : LoaderState::kLoaderIdle;
            break;
        case LoaderState::kLoaded:
        case LoaderState::kTrelPending:
            loader_ = LoaderState::kApp;
            break;
        default:
            break;
        }
        image_bytes_ = 0;
        image_incomplete_ = false;
        Reboot(now_ms);
        return Silent(name + "leave loader, restart");
    }
    if (code == 6) {
        if (r.IsExt()) {
            if (arg != 2 && arg != 4)
                return Exception(kExIllegalValue, name + "unknown expansion");
            xt_query_ = arg / 2;
            return Ack(name + "expansion query XT" + std::to_string(xt_query_));
        }
        if (arg == 7)
            return Ack(name + "daughter-board bootloader mode");
        if (arg > 2)
            return Exception(kExIllegalValue, name + "unknown loading mode");
        loader_ = LoaderState::kLoading;
        image_bytes_ = 0;
        image_incomplete_ = false;
        running_ = false;
        Reboot(now_ms);
        return Ack(name + (arg == 0 ? "loading mode: base firmware" : "loading mode: bootloader"));
    }
    if (code == 0x15) {
        SessionEnd(now_ms);
        return Ack("session end (goodbye)");
    }
    if (in_loader)
        return Exception(kExBusy, name + "refused: loader state");

    switch (code) {
    case 1:
        running_ = false;
        return Ack(name + "stop");
    case 2:
    case 3:
        if (code == 3) {
            panel_.ResetParameters();
            counter_base_ = 0;
            run_ms_ = 0;
        }
        if (!ProgramPresent())
            return Ack(name + "start refused: no program");
        running_ = true;
        return Ack(name + (code == 2 ? "start" : "start with reset"));
    case 5: {
        static const char* const kAreas[] = {nullptr,   "Init",  "Prog",
                                             "TabConf", "Param", "MetierSlot"};
        if (arg < 1 || arg > 5)
            return Exception(kExIllegalValue, name + "unknown area");
        EraseArea(kAreas[arg]);
        if (arg == 2 || (arg == 3 && profile_.family != Family::kTrel)) {
            // No program any more (on Trel the served record stays until rewritten).
            AreaNamed("TabConf")->data[250] = 0xFF;
            config_served_[250] = 0xFF;
            if (arg == 3)
                config_served_ = AreaNamed("TabConf")->data;
            running_ = false;
        }
        return Ack(name + "erase " + kAreas[arg]);
    }
    case 17:
        return Ack(name + "end of daughter-board update");
    case 18:
        EraseDaughterBoardProgram();
        return Ack(name + "erase daughter board");
    case 26:
        return Ack(name + "end of datalog read");
    case 27:
        own_log_.Erase();
        return Ack(name + "erase own datalogs");
    case 30:
        if (options_.parameter_chord)
            panel_.OpenParameterMenu();
        return Ack(name + "parameter access");
    default:
        return Exception(kExIllegalValue, name + "unknown command");
    }
}

Reply ControllerState::AddressedCommand(const Request& r, std::int64_t now_ms) {
    const std::uint32_t which = r.address - addr::kAddressedFirst;
    const std::string name = "addr-cmd " + Hex(r.address) + " ";
    if (which == 0xD)
        return Exception(kExIllegalAddress, name + "is read only");
    if (r.count > 1)
        return Exception(kExIllegalValue, name + "carries at most 1 byte");
    switch (which) {
    case 0x0:
        return Ack(name + "open daughter-board session");
    case 0x1:
        return Ack(name + "close daughter-board session");
    case 0x2:
        EraseDaughterBoardProgram();
        return Ack(name + "erase daughter-board program");
    case 0x3:
        Reboot(now_ms);
        return Ack(name + "apply update, restart");
    case 0x4:
        return Ack(name + "commit daughter-board firmware");
    case 0x8:
        return Ack(name + "restart daughter board");
    case 0x9:
        return Ack(name + "prepare base bootloader");
    case 0xA:
        board_log_.Erase();
        return Ack(name + "erase board datalogs");
    case 0xB:
        return Ack(name + "commit board bootloader");
    case 0xC:
        Reboot(now_ms);
        return Ack(name + "commit target update, restart");
    case 0xE:
        return Ack(name + "end of board datalog read");
    default:
        return Exception(kExIllegalAddress, name + "unknown");
    }
}

} // namespace sim

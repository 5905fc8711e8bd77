// What the link benchmarks share: the simulator started with an emulated link speed (USB at
// 115200 baud or BLE at a 7.5 ms connection interval), the communication client pointed at
// its USB port or its BLE dongle, and the figures of those two links.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "QRL_protocole.pb.h"
#include "comm/CComClient.h"
#include "comm/ControllerLink.h"
#include "comm/ProcessState.h"
#include "platform/device_folder.h"
#include "tests/support/sim_fixture.h"
#include "wire/t71.h"

namespace bench {

// USB: 10 bits per character at 115200 baud.
inline constexpr double kUsbCharsPerSecond = 115200 / 10.0;
// BLE: request pieces of 20 characters each after a 15 ms pause, answers at 20 characters
// per 7.5 ms connection interval.
inline constexpr double kBlePieceGapMs = 15.0, kBleIntervalMs = 7.5;
inline constexpr std::size_t kBlePiece = 20;

// The program folder: QUORVEL_PROGRAM_DIR, else the benchmark's own folder (which it then
// sets in QUORVEL_PROGRAM_DIR).
inline std::string ProgramDir() {
    if (const char* dir = std::getenv("QUORVEL_PROGRAM_DIR"); dir != nullptr && *dir != 0)
        return dir;
    const std::string dir = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    ::setenv("QUORVEL_PROGRAM_DIR", dir.c_str(), 1);
    return dir;
}

// Starts the simulator with `args` and the speed of the link `kind` (comm::kLinkUsb or
// comm::kLinkBle), and gives its port (or dongle and controller address) to the client with
// that link kind. Nothing, with `error` set, when the simulator does not start or the client
// refuses the link.
inline std::unique_ptr<simtest::SimProcess> StartSimOnLink(std::vector<std::string> args, int kind,
                                                           std::string& error) {
    const bool ble = kind == comm::kLinkBle;
    if (ble)
        args.insert(args.end(), {"--ble-interval-ms", "7.5"});
    else
        args.insert(args.end(), {"--baud", "115200"});
    simtest::SimConfig config;
    config.args = std::move(args);
    auto sim = std::make_unique<simtest::SimProcess>(config);
    if (!sim->Start(&error))
        return nullptr;
    ::setenv(platform::kDevDirVariable, sim->dev_dir().c_str(), 1);
    PARAM_COM block = paramcom::Initial();
    if (ble) {
        const std::uint8_t address[6] = {0x00, 0x5E, 0x1D, 0xC4, 0x7B, 0xA2};
        paramcom::SetU32(block, paramcom::kMedium, BLTH);
        paramcom::SetString(block, paramcom::kDonglePort, paramcom::kDonglePortSize, "ttySIM1",
                            paramcom::kMaxPortChars);
        paramcom::SetBleAddressRaw(block, address);
    } else {
        paramcom::SetString(block, paramcom::kPortName, paramcom::kPortNameSize, sim->usb_name(),
                            paramcom::kMaxPortChars);
    }
    if (CComClient::Instance().SetCommParam(block) != 0) {
        error = "the client refused the link";
        return nullptr;
    }
    ConnectionKind().store(kind);
    return sim;
}

} // namespace bench

// What the program dialog (and `quorvel-cli program`) checks around the transfers, without a
// user interface of its own: alerts and questions go through an ITransferUi.
//
//   0x5600  1 byte   application password present (1 = protected)
//   0x5700  1 byte   program present (1 = present)
//   0x4000  4 bytes  run state: bit 0 of byte 3 = running
#pragma once

#include <functional>
#include <string>

#include "comm/ControllerLink.h"
#include "model/ControllerMemory.h"
#include "transfer/DatalogPresence.h"
#include "transfer/DatalogSaver.h"
#include "transfer/TransferUi.h"

namespace transfer {

constexpr std::uint32_t kAppPasswordFlagAddress = 0x5600;
constexpr std::uint32_t kProgramPresentAddress = 0x5700;

// 0, or 15 when the read failed. `value` is true when the byte reads 1.
int ReadAppPasswordFlag(comm::IControllerLink& link, bool& isProtected);
int ReadProgramPresent(comm::IControllerLink& link, bool& present);

enum class RunState { Stopped, Running, Unreadable };
RunState ReadRunState(comm::IControllerLink& link);

// Before a read: "The target does not contain a program." (information) when there is none,
// the not-reacting error when the flag cannot be read. True when the read may start.
bool CheckProgramPresent(comm::IControllerLink& link, ITransferUi& ui);

// Shown when the datalogs should be read but nothing can read them: the write then stops.
inline constexpr const char* kNoDatalogReader =
    "Reading the datalogs is not available. The program was not written, so the datalogs "
    "in the controller are kept.";

enum class WritePreparation { Ready, Declined, Failed };

// The checks before a write, in order:
//  1. the run state; a running controller: the question "Cannot write the program ... turn
//     the controller off?"; Yes sends the stop command [1, 0] and reads the run state again.
//  2. the datalogs the write will erase (identity of `familyIndex` read: board status or own
//     pointers); when present: "Datalogs in the controller will be erased.\nWould you like to
//     read them?"; Yes runs `readDatalogs`, and a false result stops the write.
// Declined: a question was answered No (nothing changed) or the datalogs could not be read.
// Failed: the not-reacting alert was shown.
WritePreparation PrepareProgramWrite(comm::IControllerLink& link, int familyIndex, ITransferUi& ui,
                                     const std::function<bool()>& readDatalogs);

} // namespace transfer

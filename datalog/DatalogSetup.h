// What the datalog dialog does before and around its transfer, without any widget, so that
// the dialog and the command line share it: the opening (identity, family, configuration,
// label, proposed file names), the checks of "Read" (model, datalog size, run state) and the
// transfer they lead to.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "comm/ControllerLink.h"
#include "datalog/CTransfertReadDatalogBase.h"
#include "datalog/DatalogConfig.h"
#include "transfer/TransferUi.h"

namespace transfer {

// The dialog's fields after opening.
struct DatalogDialogState {
    bool keepOpen = true;  // false: no embedded datalogs, the dialog closes at once
    bool reachable = true; // false: the family code could not be read, the fields stay empty
    std::string folder;
    std::string label;
    int familyIndex = 255; // from the boot identity (family code 4, 5, 7)
    std::optional<DatalogConfig> config;
    std::array<std::string, kDatalogRanges> fileNames; // empty for a range not logged
    bool communicating = false;

    // The dialog shows range 17-24 on kz9 controllers only.
    bool ShowsRange3() const { return familyIndex == 0; }
    // Every range the controller logs is read and written, whether the dialog shows it or not
    // (a Pask communication board may log channels 17-24).
    bool RangeEnabled(int range) const { return config && config->RangePresent(range); }
};

// Opening: `familyIndex` is the connected controller's family (ControllerFamily()), `folder`
// the default target folder. Alerts go through `ui`.
DatalogDialogState OpenDatalogDialog(comm::IControllerLink& link, int familyIndex,
                                     const std::string& folder, ITransferUi& ui);

// Where the datalogs of the connected controller are and how many bytes they take.
struct DatalogSource {
    DatalogMemoryKind kind = DatalogMemoryKind::kOwn;
    std::uint32_t size = 0;
    std::array<std::uint32_t, 3> descriptor{}; // board: the descriptor's first three words
};

enum class DatalogReadCheck {
    kReady,      // the transfer may start
    kNoDatalogs, // warning shown: nothing to read
    kDeclined,   // the controller runs and the user chose not to stop it
    kFailed,     // error shown: the controller did not answer
};

// Steps 1-3 of "Read": the model index, the datalog size of its memory, the run state (the
// question to stop a running controller goes through `ui`).
DatalogReadCheck CheckDatalogRead(comm::IControllerLink& link, ITransferUi& ui,
                                  DatalogSource& source);

// The transfer of `source`'s kind for the dialog's fields.
std::unique_ptr<CTransfertReadDatalogBase> MakeDatalogTransfer(const DatalogSource& source,
                                                               const DatalogDialogState& state,
                                                               comm::IControllerLink& link);

} // namespace transfer

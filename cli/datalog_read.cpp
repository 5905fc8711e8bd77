#include "cli/datalog_read.h"

#include <ostream>

#include "datalog/DatalogSetup.h"

namespace cli {

DatalogReadEnd ReadDatalogsInto(const std::string& folder, int family, CliTransferUi& ui,
                                ProgressLine& progress, std::ostream& out) {
    comm::IControllerLink& link = comm::ComClientLink();
    const transfer::DatalogDialogState state =
        transfer::OpenDatalogDialog(link, family, folder, ui);
    if (!state.keepOpen)
        return DatalogReadEnd::kNothingToRead; // no embedded datalogs: the message is printed
    if (!state.reachable || !state.config)
        return DatalogReadEnd::kFailed;
    transfer::DatalogSource source;
    switch (transfer::CheckDatalogRead(link, ui, source)) {
    case transfer::DatalogReadCheck::kNoDatalogs:
        return DatalogReadEnd::kNothingToRead;
    case transfer::DatalogReadCheck::kDeclined:
        return DatalogReadEnd::kDeclined;
    case transfer::DatalogReadCheck::kFailed:
        return DatalogReadEnd::kFailed;
    case transfer::DatalogReadCheck::kReady:
        break;
    }
    auto job = transfer::MakeDatalogTransfer(source, state, link);
    const bool finished = RunTransfer(*job, ui, progress);
    for (const transfer::DatalogRangeOutcome& o : job->Outcomes())
        if (o.generated)
            out << o.path << "\n";
    return finished && transfer::AllGenerated(job->Outcomes()) ? DatalogReadEnd::kWritten
                                                               : DatalogReadEnd::kFailed;
}

} // namespace cli

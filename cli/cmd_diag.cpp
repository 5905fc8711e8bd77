// diag: the pages of "Controller diagnostics", read live from the controller.
#include <cstdint>
#include <ostream>

#include "cli/access_check.h"
#include "cli/commands.h"
#include "cli/diag_report.h"
#include "cli/messages.h"
#include "cli/session.h"
#include "comm/ProcessState.h"
#include "comm/SharedTexts.h"
#include "model/ControllerMemory.h"

namespace {

int RunDiag(cli::Context& context) {
    bool json = cli::TakeFlag(context.args, "--json");
    if (!cli::NoArgumentsLeft(context))
        return cli::kExitUsage;
    comm::IControllerLink& link = comm::ComClientLink();
    int family = 0;
    if (cli::ReadConnectedFamily(link, family) == 0) {
        if (!cli::ServiceAllowed(context, family, true))
            return cli::kExitFailure;
    } else {
        // The family code alone unread: as the diagnostics sheet, each failed read shows in
        // its fields ("Unknown", "0.0.00", 12345 available), with the family the link was
        // opened with. Only a controller that answers nothing is not reached.
        std::uint8_t state[4];
        if (link.Read(state, model::kRunStateAddress, sizeof state, link.LinkTimeoutMs()) != 0) {
            context.err << texts::kNotReacting << "\n";
            return cli::kExitFailure;
        }
        if (!cli::CheckAccess(context))
            return cli::kExitFailure;
        family = ControllerFamily().load();
    }
    std::vector<services::DiagPage> pages;
    for (services::DiagPageKind kind : services::DiagPageKinds(link, family)) {
        pages.push_back(services::ReadDiagPage(kind, link, family));
        if (pages.back().noProgram)
            context.err << services::kTextNoProgram << "\n";
    }
    context.out << (json ? cli::DiagJson(pages) : cli::DiagText(pages));
    return cli::kExitOk;
}

const cli::Command kDiag{
    "diag",
    "diag [--json]",
    "Show the controller diagnostics pages",
    "Shows the pages of the diagnostics as the program does: Hardware, Application, and\n"
    "Network (GPRS models) or Connection parameters (TCP/IP models), each field and table\n"
    "cell in the dialog's order with its texts; a table cell is named by its row and column\n"
    "(\"XT1 expansion: Boot V.I.R\"). The error code is followed by (orange) or (red) when it\n"
    "is drawn on that colour.\n"
    "--json prints {\"hardware\": [{\"name\": ..., \"value\": ...}, ...], \"application\": [...],\n"
    "\"network\": [...], \"connection\": [...]}; a row also has \"colour\" when coloured and\n"
    "\"checked\" for check boxes and radio buttons. A page not shown for this controller is\n"
    "absent.\n",
    true,
    RunDiag};
const cli::RegisterCommand kRegisterDiag(kDiag);

} // namespace

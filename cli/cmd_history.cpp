// history, history show, history restore: the service history of this computer, one row in
// full, and a kept copy of a program written back into the connected controller.
#include <charconv>
#include <filesystem>
#include <ostream>

#include "cli/command_link.h"
#include "cli/commands.h"
#include "cli/history_recording.h"
#include "cli/history_report.h"
#include "cli/program_keep.h"
#include "cli/program_read.h"
#include "cli/questions.h"
#include "platform/program_folder.h"

namespace {

// Takes "OPTION VALUE" out of the arguments. False (a usage error said) when the value is
// missing.
bool TakeValue(cli::Context& context, std::string_view option, std::optional<std::string>& value) {
    auto& args = context.args;
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (*it != option)
            continue;
        if (it + 1 == args.end()) {
            context.err << option << " needs a value.\n";
            return false;
        }
        value = *(it + 1);
        args.erase(it, it + 2);
        return true;
    }
    return true;
}

std::optional<std::int64_t> PositiveNumber(const std::string& text) {
    std::int64_t n = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size() || n <= 0)
        return std::nullopt;
    return n;
}

int RunList(cli::Context& context) {
    const bool json = cli::TakeFlag(context.args, "--json");
    std::optional<std::string> controller, operation, since, limit;
    if (!TakeValue(context, "--controller", controller) ||
        !TakeValue(context, "--operation", operation) || !TakeValue(context, "--since", since) ||
        !TakeValue(context, "--limit", limit) || !cli::NoArgumentsLeft(context))
        return cli::kExitUsage;
    history::Filter filter;
    filter.controller = controller.value_or("");
    filter.operation = operation.value_or("");
    if (!filter.operation.empty() && !history::IsOperationName(filter.operation)) {
        context.err << "Unknown operation: " << filter.operation << "; see quorvel-cli history "
                    << "--help.\n";
        return cli::kExitUsage;
    }
    if (since && !(filter.since = history::ParseLocalDate(*since))) {
        context.err << "--since takes a date: YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS].\n";
        return cli::kExitUsage;
    }
    if (limit && !(filter.limit = PositiveNumber(*limit))) {
        context.err << "--limit takes a positive number.\n";
        return cli::kExitUsage;
    }
    const auto rows = cli::RunHistory(context.link, context.err).Query(filter);
    if (json) {
        context.out << cli::HistoryJson(rows) << "\n";
        return cli::kExitOk;
    }
    for (const history::Record& row : rows)
        context.out << cli::HistoryLine(row) << "\n";
    return cli::kExitOk;
}

// The row named by the command's argument; nullopt with the reason said.
std::optional<history::Record> TakeRow(cli::Context& context, int& status) {
    status = cli::kExitUsage;
    if (context.args.size() != 1) {
        context.err << "Give the row's ID (see quorvel-cli history).\n";
        return std::nullopt;
    }
    const std::optional<std::int64_t> id = PositiveNumber(context.args[0]);
    if (!id) {
        context.err << "Not a row ID: " << context.args[0] << "\n";
        return std::nullopt;
    }
    context.args.clear();
    history::HistoryDb& db = cli::RunHistory(context.link, context.err);
    std::optional<history::Record> row = db.Find(*id);
    status = cli::kExitFailure;
    if (!row)
        context.err << "The service history " << db.Path() << " has no row " << *id << ".\n";
    return row;
}

int RunShow(cli::Context& context) {
    const bool json = cli::TakeFlag(context.args, "--json");
    int status = cli::kExitOk;
    const std::optional<history::Record> row = TakeRow(context, status);
    if (!row)
        return status;
    context.out << (json ? cli::HistoryJson(*row) + "\n" : cli::HistoryDetails(*row));
    return cli::kExitOk;
}

int RunRestore(cli::Context& context) {
    cli::Answering mode = cli::Answering::Ask;
    std::string error;
    if (!cli::TakeAnswerFlags(context.args, mode, error)) {
        context.err << error << "\n";
        return cli::kExitUsage;
    }
    const bool keep = cli::TakeKeepFlag(context.args);
    std::string datalogFolder = platform::DefaultDataFolder("Datalogs");
    if (!cli::TakeDatalogsFolder(context.args, datalogFolder, context.err))
        return cli::kExitUsage;
    int status = cli::kExitOk;
    const std::optional<history::Record> row = TakeRow(context, status);
    if (!row)
        return status;
    std::error_code ec;
    if (row->kept.empty() || !std::filesystem::is_regular_file(row->kept, ec)) {
        context.err << (row->kept.empty()
                            ? "Row " + std::to_string(row->id) + " holds no kept copy of a program."
                            : "The kept copy " + row->kept + " is missing.")
                    << "\n";
        return cli::kExitFailure;
    }
    return cli::RunOnLink(context, [&](cli::Context& c) {
        return cli::WriteProgramFile(c, mode, row->kept, datalogFolder, keep);
    });
}

int RunHistory(cli::Context& context) {
    if (!context.args.empty() && context.args[0] == "show") {
        context.args.erase(context.args.begin());
        return RunShow(context);
    }
    if (!context.args.empty() && context.args[0] == "restore") {
        context.args.erase(context.args.begin());
        return RunRestore(context);
    }
    return RunList(context);
}

const cli::Command kHistory{
    "history",
    "history [--controller TEXT] [--operation OP] [--since DATE] [--limit N] [--json] | "
    "history show ID [--json] | history restore ID [--yes|--no] [--no-keep] [--datalogs-folder "
    "DIR]",
    "The service history: what was done to which controller, when, by whom, with which files",
    "history: the rows, newest first, one per line (ID, start, operation, result, controller,\n"
    "  link, message). --controller TEXT keeps the controllers whose label holds TEXT (any\n"
    "  case) or whose code8 is TEXT; --operation OP one of program-read, program-write,\n"
    "  program-compare, datalogs-read, firmware-update, clock-set, lock, unlock, start, stop,\n"
    "  backup; --since DATE (YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS], local time); --limit N.\n"
    "show ID: the whole row, with its files and the kept copy's path.\n"
    "--json: rows are objects with the keys id, started, ended (ISO 8601 with offset), user,\n"
    "  host, program, link {kind usb|ble|eth, port|address}, controller {code8, model, label,\n"
    "  software, mac}, operation, files [{path, size, sha256}], result (done, failed,\n"
    "  cancelled), message, kept (the kept copy's path or null); history prints an array.\n"
    "restore ID (with the link options first): writes the program copy kept by that row back\n"
    "  into the connected controller, with the checks and questions of program write\n"
    "  (datalogs read first go into --datalogs-folder DIR, as program write's do).\n"
    "The history is --history FILE, else $QUORVEL_HISTORY, else history.sqlite3 in the data\n"
    "  folder; kept programs are in KeptPrograms/ beside it.\n"
    "Exit status: 0 done, 1 no such row or the write failed, 2 usage error or a question left\n"
    "  unanswered.\n",
    false,
    RunHistory};
const cli::RegisterCommand kRegisterHistory(kHistory);

} // namespace

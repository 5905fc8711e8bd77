#include "cli/commands.h"

#include <algorithm>
#include <filesystem>
#include <ostream>

namespace cli {

std::vector<const Command*>& Commands() {
    static std::vector<const Command*> commands;
    return commands;
}

const Command* FindCommand(std::string_view name) {
    for (const Command* command : Commands()) {
        if (name == command->name)
            return command;
    }
    return nullptr;
}

bool TakeFlag(std::vector<std::string>& args, std::string_view flag) {
    auto it = std::find(args.begin(), args.end(), flag);
    if (it == args.end())
        return false;
    args.erase(it);
    return true;
}

bool NoArgumentsLeft(Context& context) {
    if (context.args.empty())
        return true;
    context.err << "Unexpected argument: " << context.args[0] << "\n";
    return false;
}

bool TakeExistingFolder(Context& context, std::string_view missing, std::string& folder) {
    if (context.args.empty()) {
        context.err << missing << "\n";
        return false;
    }
    folder = context.args.front();
    context.args.erase(context.args.begin());
    if (!NoArgumentsLeft(context))
        return false;
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        context.err << "The target folder " << folder << " does not exist.\n";
        return false;
    }
    return true;
}

} // namespace cli

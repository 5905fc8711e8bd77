#include "cli/commands.h"

#include <algorithm>

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

} // namespace cli

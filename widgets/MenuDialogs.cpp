#include "widgets/MenuDialogs.h"

#include <map>
#include <utility>

namespace {
std::map<int, MenuDialogOpener>& Openers() {
    static std::map<int, MenuDialogOpener> openers;
    return openers;
}
} // namespace

void RegisterMenuDialog(int command, MenuDialogOpener opener) {
    Openers()[command] = std::move(opener);
}

MenuDialogOpener FindMenuDialog(int command) {
    auto it = Openers().find(command);
    return it == Openers().end() ? MenuDialogOpener() : it->second;
}

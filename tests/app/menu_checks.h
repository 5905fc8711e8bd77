// Views of a built command menu that the menu tests compare against.
#pragma once

#include <set>
#include <string>

#include "app/MenuModel.h"

namespace menutest {

// The codes of the controller entries that are enabled (the service history, which needs no
// controller, is checked on its own).
inline std::set<int> Enabled(const CommandMenu& m) {
    std::set<int> out;
    for (const MenuEntry& e : m.entries)
        if (e.enabled && e.code != kMenuServiceHistory)
            out.insert(e.code);
    return out;
}

// The text of entry `code`, or "<absent>" when the menu has none.
inline std::string TextOf(const CommandMenu& m, int code) {
    const MenuEntry* e = m.Find(code);
    return e ? e->text : "<absent>";
}

} // namespace menutest

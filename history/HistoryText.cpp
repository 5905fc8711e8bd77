#include "history/HistoryText.h"

namespace history {

std::string ControllerText(const ControllerEntry& c) {
    if (c.label.empty())
        return c.code8.empty() ? "-" : c.code8;
    return c.code8.empty() ? c.label : c.label + " (" + c.code8 + ")";
}

std::string LinkText(const LinkEntry& link) {
    std::string text = link.kind;
    for (const std::string* part : {&link.port, &link.address})
        if (!part->empty())
            text += " " + *part;
    return text;
}

std::string HistoryLine(const Record& r) {
    std::string line = std::to_string(r.id) + "  " + IsoLocal(r.started) + "  " + r.operation +
                       "  " + r.result + "  " + ControllerText(r.controller) + "  " +
                       LinkText(r.link);
    if (!r.message.empty())
        line += "  " + r.message;
    return line;
}

std::string HistoryDetails(const Record& r) {
    std::string text;
    auto line = [&](const char* name, const std::string& value) {
        text += std::string(name) + ": " + value + "\n";
    };
    line("Id", std::to_string(r.id));
    line("Operation", r.operation);
    line("Result", r.result);
    line("Message", r.message);
    line("Started", IsoLocal(r.started));
    line("Ended", IsoLocal(r.ended));
    line("User", r.user + "@" + r.host);
    line("Program", r.program);
    line("Link", LinkText(r.link));
    line("Controller", ControllerText(r.controller));
    line("Model", r.controller.model);
    line("Software", r.controller.software);
    if (!r.controller.mac.empty())
        line("MAC address", r.controller.mac);
    for (const FileEntry& f : r.files)
        line("File", f.path + " (" + std::to_string(f.size) + " bytes, SHA-256 " +
                         (f.sha256.empty() ? "unknown" : f.sha256) + ")");
    line("Kept copy", r.kept.empty() ? "none" : r.kept);
    return text;
}

} // namespace history

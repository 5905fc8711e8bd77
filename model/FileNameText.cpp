#include "model/FileNameText.h"

namespace model {

namespace {

bool Replaced(unsigned char c) {
    return c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' ||
           c == '"' || c == '<' || c == '>' || c == '|';
}

} // namespace

std::string FileNameFromText(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.remove_suffix(1);
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    std::string name;
    name.reserve(text.size());
    for (char c : text) {
        if (Replaced(static_cast<unsigned char>(c)))
            c = '_';
        // No "..": a dot after a dot becomes '_'; no hidden name either.
        else if (c == '.' && (name.empty() || name.back() == '.'))
            c = '_';
        name.push_back(c);
    }
    // A trailing dot would meet the extension's ("Pump." + ".vqap").
    if (!name.empty() && name.back() == '.')
        name.back() = '_';
    return name;
}

} // namespace model

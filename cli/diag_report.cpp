#include "cli/diag_report.h"

#include "cli/json.h"

namespace cli {

namespace {

const char* JsonKey(services::DiagPageKind kind) {
    switch (kind) {
    case services::DiagPageKind::Hardware:
        return "hardware";
    case services::DiagPageKind::Application:
        return "application";
    case services::DiagPageKind::Network:
        return "network";
    case services::DiagPageKind::ConnectionParameters:
        return "connection";
    }
    return "";
}

const char* ColourName(services::DiagColour colour) {
    switch (colour) {
    case services::DiagColour::Orange:
        return "orange";
    case services::DiagColour::Red:
        return "red";
    case services::DiagColour::Normal:
        break;
    }
    return nullptr;
}

// Grid headers carry padding for the dialog's column widths.
std::string Trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

} // namespace

std::vector<DiagRow> DiagRows(const services::DiagPage& page) {
    std::vector<DiagRow> rows;
    for (const services::DiagField& f : page.fields)
        rows.push_back({f.label, f.value, f.colour, f.checked});
    if (page.grid) {
        const services::DiagGrid& g = *page.grid;
        for (std::size_t r = 0; r < g.rows.size() && r < g.cells.size(); ++r) {
            for (std::size_t c = 0; c < g.columns.size() && c < g.cells[r].size(); ++c)
                rows.push_back({g.rows[r] + ": " + Trimmed(g.columns[c]), g.cells[r][c],
                                services::DiagColour::Normal, std::nullopt});
        }
    }
    return rows;
}

std::string DiagText(const std::vector<services::DiagPage>& pages) {
    std::string text;
    for (const services::DiagPage& page : pages) {
        if (!text.empty())
            text += "\n";
        text += page.title + "\n";
        for (const DiagRow& row : DiagRows(page)) {
            text += "  " + row.name + ": ";
            if (row.checked)
                text += *row.checked ? "[x]" : "[ ]";
            if (row.checked && !row.value.empty())
                text += " ";
            text += row.value;
            if (const char* colour = ColourName(row.colour))
                text += std::string(" (") + colour + ")";
            text += "\n";
        }
    }
    return text;
}

std::string DiagJson(const std::vector<services::DiagPage>& pages) {
    JsonWriter j;
    j.BeginObject();
    for (const services::DiagPage& page : pages) {
        j.Key(JsonKey(page.kind)).BeginArray();
        for (const DiagRow& row : DiagRows(page)) {
            j.BeginObject();
            j.Key("name").String(row.name);
            j.Key("value").String(row.value);
            if (const char* colour = ColourName(row.colour))
                j.Key("colour").String(colour);
            if (row.checked)
                j.Key("checked").Bool(*row.checked);
            j.EndObject();
        }
        j.EndArray();
    }
    j.EndObject();
    return j.Text() + "\n";
}

} // namespace cli

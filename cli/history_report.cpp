#include "cli/history_report.h"

#include "cli/json.h"
#include "history/HistoryText.h"

namespace cli {

namespace {

void TextOrNull(JsonWriter& j, const char* key, const std::string& text) {
    j.Key(key);
    if (text.empty())
        j.Null();
    else
        j.String(text);
}

void WriteRow(JsonWriter& j, const history::Record& r) {
    j.BeginObject().Key("id").Int(r.id);
    j.Key("started").String(history::IsoLocal(r.started));
    j.Key("ended").String(history::IsoLocal(r.ended));
    TextOrNull(j, "user", r.user);
    TextOrNull(j, "host", r.host);
    TextOrNull(j, "program", r.program);
    j.Key("link").BeginObject();
    TextOrNull(j, "kind", r.link.kind);
    if (!r.link.port.empty() || r.link.kind == "usb")
        TextOrNull(j, "port", r.link.port);
    if (!r.link.address.empty() || r.link.kind != "usb")
        TextOrNull(j, "address", r.link.address);
    j.EndObject();
    j.Key("controller").BeginObject();
    TextOrNull(j, "code8", r.controller.code8);
    TextOrNull(j, "model", r.controller.model);
    TextOrNull(j, "label", r.controller.label);
    TextOrNull(j, "software", r.controller.software);
    TextOrNull(j, "mac", r.controller.mac);
    j.EndObject();
    j.Key("operation").String(r.operation);
    j.Key("files").BeginArray();
    for (const history::FileEntry& f : r.files) {
        j.BeginObject().Key("path").String(f.path);
        j.Key("size").Int(static_cast<std::int64_t>(f.size));
        TextOrNull(j, "sha256", f.sha256);
        j.EndObject();
    }
    j.EndArray();
    j.Key("result").String(r.result);
    j.Key("message").String(r.message);
    TextOrNull(j, "kept", r.kept);
    j.EndObject();
}

} // namespace

std::string HistoryJson(const history::Record& row) {
    JsonWriter j;
    WriteRow(j, row);
    return j.Text();
}

std::string HistoryJson(const std::vector<history::Record>& rows) {
    JsonWriter j;
    j.BeginArray();
    for (const history::Record& r : rows)
        WriteRow(j, r);
    j.EndArray();
    return j.Text();
}

} // namespace cli

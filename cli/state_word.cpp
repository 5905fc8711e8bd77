#include "cli/state_word.h"

#include <cstdio>

#include "cli/json.h"
#include "cli/messages.h"
#include "model/LoaderState.h"
#include "services/Diagnostics.h"

namespace cli {

namespace {
std::string ErrorCodeOf(const StatusReport& status) {
    return status.stateWord ? ErrorCodeText(*status.stateWord) : msg::kUnknown;
}
} // namespace

bool StatusReport::NoFirmware() const {
    return stateWord && model::IsLoaderOnlyState(*stateWord);
}

std::string ErrorCodeText(std::uint32_t stateWord) {
    return services::ErrorCodeOf(stateWord).text;
}

std::string StatusText(const StatusReport& status) {
    std::string text = std::string("Controller status: ") + (status.running ? "On" : "Off") + "\n";
    text += "Error code: " + ErrorCodeOf(status) + "\n";
    if (status.stateWord) {
        char word[16];
        std::snprintf(word, sizeof word, "0x%08X", unsigned(*status.stateWord));
        text += std::string("State word: ") + word + "\n";
    }
    if (status.NoFirmware())
        text += std::string(texts::kNoFirmware) + "\n";
    return text;
}

std::string StatusJson(const StatusReport& status) {
    JsonWriter j;
    j.BeginObject();
    j.Key("running").Bool(status.running);
    j.Key("state_word");
    if (status.stateWord)
        j.Int(*status.stateWord);
    else
        j.Null();
    j.Key("error_code").String(ErrorCodeOf(status));
    j.Key("no_firmware").Bool(status.NoFirmware());
    j.EndObject();
    return j.Text() + "\n";
}

} // namespace cli

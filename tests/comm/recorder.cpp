#include "recorder.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

TransportFolder::TransportFolder(const TransportFiles& files) {
    std::string pattern = (fs::temp_directory_path() / "quorvel-comm-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern + "/";
    for (const auto& [name, source] : files)
        fs::copy_file(source, path_ + name);
}

TransportFolder::~TransportFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

TransportFiles AllRecordingTransports() {
    return {{"Z9hb10_Comm.so", RECORDING_TRANSPORT},
            {"Z9hb20_Comm.so", RECORDING_TRANSPORT},
            {"HB30.so", RECORDING_TRANSPORT}};
}

namespace {

template <typename Fn> Fn Bind(const platform::SharedLibrary& library, const char* name) {
    auto fn = reinterpret_cast<Fn>(library.Symbol(name));
    if (fn == nullptr)
        throw std::runtime_error(std::string("recording library lacks ") + name);
    return fn;
}

} // namespace

Recorder::Recorder(const std::string& path) {
    if (!library_.Open(path))
        throw std::runtime_error("cannot open " + path + ": " + library_.Error());
    reset_ = Bind<Rec_Reset_Fn>(library_, "Rec_Reset");
    push_ = Bind<Rec_Push_Fn>(library_, "Rec_Push");
    setDefault_ = Bind<Rec_SetDefault_Fn>(library_, "Rec_SetDefault");
    setDelay_ = Bind<Rec_SetDelay_Fn>(library_, "Rec_SetDelay");
    setVersion_ = Bind<Rec_SetVersion_Fn>(library_, "Rec_SetVersion");
    count_ = Bind<Rec_Count_Fn>(library_, "Rec_Count");
    get_ = Bind<Rec_Get_Fn>(library_, "Rec_Get");
}

std::vector<RecCall> Recorder::Calls() const {
    std::vector<RecCall> out;
    RecCall call{};
    for (int i = 0; get_(i, &call) != 0; ++i)
        out.push_back(call);
    return out;
}

std::vector<std::uint8_t> WrittenBytes(const RecCall& call) {
    int n = std::min(call.count, kRecDataSize);
    return std::vector<std::uint8_t>(call.data, call.data + (n > 0 ? n : 0));
}

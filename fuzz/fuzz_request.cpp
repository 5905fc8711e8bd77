// Request-channel messages as the core server receives them: parsed as its loop parses
// them and carried out by its dispatch table against a fake transport library, with the
// results of the library's calls scripted by the input too.
#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

#include <google/protobuf/stubs/logging.h>

#include "QRL_protocole.pb.h"
#include "comm/CComManager.h"
#include "comm/CoreServerState.h"
#include "comm/RequestDispatch.h"
#include "comm/TransportRegistry.h"
#include "fuzz/fuzz_input.h"

namespace {

using ScriptFn = void (*)(const std::uint8_t*, int);
ScriptFn g_script = nullptr;

void QuietLog(google::protobuf::LogLevel, const char*, int, const std::string&) {}

// A folder holding the fake library under the three transport names.
std::string MakeTransportFolder() {
    char tmpl[] = "/tmp/quorvel-fuzz-XXXXXX";
    if (::mkdtemp(tmpl) == nullptr)
        std::abort();
    std::string folder = std::string(tmpl) + "/";
    for (const char* name : {"Z9hb10_Comm.so", "Z9hb20_Comm.so", "HB30.so"}) {
        if (::symlink(FAKE_TRANSPORT, (folder + name).c_str()) != 0)
            std::abort();
    }
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    google::protobuf::SetLogHandler(QuietLog);
    const std::string folder = MakeTransportFolder();
    if (LoadTransportLibraries(folder) != 1)
        std::abort();
    void* handle = ::dlopen(FAKE_TRANSPORT, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        std::abort();
    g_script = reinterpret_cast<ScriptFn>(::dlsym(handle, "FuzzT71_Script"));
    for (const char* name : {"Z9hb10_Comm.so", "Z9hb20_Comm.so", "HB30.so"})
        ::unlink((folder + name).c_str());
    ::rmdir(folder.c_str());
    return g_script != nullptr ? 0 : 1;
}

// Input: the count of scripted results (1) and the results, then requests, each behind a
// 2-byte length.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    std::size_t got = 0;
    const std::uint8_t* script = in.Take(in.U8(), got);
    g_script(script, int(got));

    CComManager& manager = CComManager::Instance();
    manager.param = paramcom::Initial();
    manager.cible = t71::kDefaultTarget;
    manager.linkClosed.store(1);
    CoreServerState::Instance().monitoring.store(false);
    CoreServerState::Instance().stop.store(false);

    while (in.Left() > 0) {
        const std::uint8_t* bytes = in.Take(in.U16(), got);
        QRL_Request request;
        request.ParsePartialFromArray(bytes, int(got));
        QRL_Reply reply;
        if (coreserver::Dispatch(request, reply)) {
            std::string answer;
            reply.SerializePartialToString(&answer);
            if (!reply.has_status() || !reply.has_reqtrigger())
                std::abort(); // every answered request says how it went
        }
        if (CoreServerState::Instance().monitoring.load()) {
            QRL_Publish publication;
            coreserver::MonitoringPublication(publication);
        }
    }
    return 0;
}

#include "comm/Startup.h"

#include "comm/CComClient.h"
#include "comm/TransportRegistry.h"
#include "platform/program_folder.h"

int QuorvelStartup() {
    return QuorvelStartup(platform::ProgramFolder());
}

int QuorvelStartup(const std::string& libraryFolder) {
    // Whatever loaded, start-up goes on.
    LoadTransportLibraries(libraryFolder);
    return CComClient::Instance().Init();
}

bool QuorvelShutdown(int waitMs) {
    CComClient& client = CComClient::Instance();
    if (client.IsStarted())
        client.Deconnect();
    return client.Shutdown(waitMs);
}

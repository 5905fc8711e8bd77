#include "comm/LinkState.h"

#include "comm/CComClient.h"
#include "comm/ProcessState.h"

std::atomic<int>& LinkConfigured() {
    static std::atomic<int> flag{0};
    return flag;
}

namespace {
constexpr std::uint32_t kMediumEthernet = 1; // MoyenCom
constexpr int kLinkKindEthernet = 2;
} // namespace

bool UseEthernetLink(std::uint32_t host, std::uint32_t tcpPort, const std::string& peerName) {
    PARAM_COM param{};
    CComClient& com = CComClient::Instance();
    com.GetCommParam(param);
    paramcom::SetU32(param, paramcom::kMedium, kMediumEthernet);
    paramcom::SetU32(param, paramcom::kIpAddress, host);
    paramcom::SetU32(param, paramcom::kTcpPort, tcpPort);
    com.SetSslPeerName(peerName);
    if (com.SetCommParam(param) != 0)
        return false;
    ConnectionKind().store(kLinkKindEthernet);
    LinkConfigured().store(1);
    return true;
}

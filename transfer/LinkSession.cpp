#include "transfer/LinkSession.h"

#include "comm/CComClient.h"
#include "comm/ProcessState.h"

namespace transfer {

namespace {

class CComClientSession final : public ILinkSession {
  public:
    // CONNECT is answered OK whatever became of the link: the core's link flag tells.
    int Connect() override { return CComClient::Instance().Connect() == 0 && IsLinkOpen() ? 0 : 1; }
    int Deconnect() override { return CComClient::Instance().Deconnect(); }
};

} // namespace

ILinkSession& ComClientSession() {
    static CComClientSession session;
    return session;
}

} // namespace transfer

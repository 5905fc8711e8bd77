#include "panel/ComClientPanelLink.h"

#include "QRL_protocole.pb.h"
#include "comm/CComClient.h"
#include "comm/ProcessState.h"
#include "model/LoaderState.h"
#include "model/ModelTable.h"

namespace panel {

bool ComClientPanelLink::PollPublish(Publication& out) {
    QRL_Publish pub;
    if (!CComClient::Instance().PollPublish(pub))
        return false;
    out.ok = pub.status() == r_OK;
    const std::string& bytes = pub.dataread();
    out.data.assign(bytes.begin(), bytes.end());
    return true;
}

int ComClientPanelLink::WriteKeyMask(std::uint8_t mask) {
    return CComClient::Instance().SendWriteByte(mask, RequestTimeoutMs());
}

int ComClientPanelLink::SendControllerCommand(std::uint8_t code) {
    return CComClient::Instance().SendCommand(code, 0, RequestTimeoutMs());
}

int ComClientPanelLink::StopMonitor() {
    return CComClient::Instance().StopMonitor();
}

int ComClientPanelLink::StartMonitor() {
    return CComClient::Instance().StartMonitor();
}

int ComClientPanelLink::Deconnect() {
    return CComClient::Instance().Deconnect();
}

int ComClientPanelLink::ReadModelIndex(int& model) {
    return model::ReadBootModel(model);
}

int ComClientPanelLink::ReadStateWord(std::uint32_t& word) {
    const std::optional<std::uint32_t> read = model::ReadStateWord(comm::ComClientLink());
    if (!read)
        return -1;
    word = *read;
    return 0;
}

bool ComClientPanelLink::IsLinkOpen() const {
    return ::IsLinkOpen();
}

int ComClientPanelLink::LinkKind() const {
    return ConnectionKind().load();
}

void ComClientPanelLink::SetFamilyIndex(int family) {
    ControllerFamily().store(family);
}

PanelLink& ComClientLink() {
    static ComClientPanelLink link;
    return link;
}

} // namespace panel

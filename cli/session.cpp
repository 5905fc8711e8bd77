#include "cli/session.h"

#include <ostream>

#include "cli/messages.h"
#include "comm/CComClient.h"
#include "comm/ProcessState.h"
#include "comm/SharedTexts.h"
#include "comm/Startup.h"
#include "comm/TrafficLog.h"
#include "model/ModelTable.h"

namespace cli {

LinkSession::~LinkSession() {
    if (started_)
        QuorvelShutdown();
    // After the shutdown, so that the goodbye and the close are in the log too.
    trafficlog::Close();
}

bool LinkSession::Open(const LinkOptions& options, std::string& error) {
    if (!options.trafficLog.empty() && !trafficlog::Open(options.trafficLog, error))
        return false;
    started_ = true;
    if (QuorvelStartup() == 0) {
        error = texts::kNotReacting;
        return false;
    }
    ConnectionKind() = ConnectionKindOf(options.kind);
    if (CComClient::Instance().SetCommParam(MakeParamCom(options)) != 0) {
        error = texts::kNotReacting;
        return false;
    }
    return true;
}

int ReadConnectedFamily(comm::IControllerLink& reader, int& familyIndex) {
    if (model::ReadFamilyCode(familyIndex, reader) != 0)
        return comm::kTargetNotAnswering;
    // A family code this program does not know is served with the Trel layout, as the core
    // server does when it opens the link.
    if (familyIndex == model::kUnknownFamily)
        familyIndex = model::kFamilyTrel;
    return 0;
}

bool ConnectedFamilyOrSay(comm::IControllerLink& reader, int& familyIndex, std::ostream& err) {
    if (ReadConnectedFamily(reader, familyIndex) == 0)
        return true;
    err << texts::kNotReacting << "\n";
    return false;
}

} // namespace cli

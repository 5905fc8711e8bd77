// The communication core of one quorvel-cli run: the transport libraries loaded from the
// program folder, the client and core server started, the chosen link stored in the core
// server. The destructor says goodbye to the controller and stops the core server.
#pragma once

#include <iosfwd>
#include <string>

#include "cli/link_options.h"
#include "comm/ControllerLink.h"

namespace cli {

class LinkSession {
  public:
    LinkSession() = default;
    ~LinkSession();
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    // Starts the core and stores the link; false with the message to show on failure.
    bool Open(const LinkOptions& options, std::string& error);

  private:
    bool started_ = false;
};

// The family index of the connected controller, from its boot identity area (this read also
// opens the link). 0, or comm::kTargetNotAnswering when the controller does not answer.
int ReadConnectedFamily(comm::IControllerLink& reader, int& familyIndex);
// The same, saying on `err` that the controller does not answer. False then.
bool ConnectedFamilyOrSay(comm::IControllerLink& reader, int& familyIndex, std::ostream& err);

} // namespace cli

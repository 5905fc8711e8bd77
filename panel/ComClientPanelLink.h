// The front panel's link to the controller through the process-wide communication client.
#pragma once

#include "panel/PanelLink.h"

namespace panel {

class ComClientPanelLink final : public PanelLink {
  public:
    bool PollPublish(Publication& out) override;
    int WriteKeyMask(std::uint8_t mask) override;
    int SendControllerCommand(std::uint8_t code) override;
    int StopMonitor() override;
    int StartMonitor() override;
    int Deconnect() override;
    int ReadModelIndex(int& model) override;
    int ReadStateWord(std::uint32_t& word) override;
    bool IsLinkOpen() const override;
    int LinkKind() const override;
    void SetFamilyIndex(int family) override;
};

// The process-wide instance.
PanelLink& ComClientLink();

} // namespace panel

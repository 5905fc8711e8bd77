// The firmware update over Bluetooth: the kz9 and Pask path of USB (with the board's
// pass-through closed after its firmware), and the Trel two-part path, which closes the link
// while the controller restarts between the parts and opens it again.
#pragma once

#include "firmware/CTransfertWriteFWByUSB.h"

namespace transfer {

class CTransfertWriteFWByBTH : public CTransfertWriteFWByUSB {
  public:
    explicit CTransfertWriteFWByBTH(std::string packagePath,
                                    comm::IControllerLink& link = comm::ComClientLink(),
                                    ILinkSession& session = ComClientSession())
        : CTransfertWriteFWByUSB(std::move(packagePath), link, session) {}

  protected:
    bool AcceptsModel(int modelIndex) const override;
    bool ReadStartIdentity() override;
    bool Flash() override;

  private:
    bool FlashTrel();
    // One part at its address, with a second's pause on each side.
    bool LoadTrelPart(fw::ImageKind kind);
    // DECONNECT, 30 s, CONNECT.
    bool Reconnect();
};

} // namespace transfer

// The firmware update over USB: kz9 and Pask models, base images and daughter board.
#pragma once

#include "firmware/CTransfertWriteFW.h"

namespace transfer {

class CTransfertWriteFWByUSB : public CTransfertWriteFW {
  public:
    explicit CTransfertWriteFWByUSB(std::string packagePath,
                                    comm::IControllerLink& link = comm::ComClientLink(),
                                    ILinkSession& session = ComClientSession())
        : CTransfertWriteFW(std::move(packagePath), link, session) {}

  protected:
    bool AcceptsModel(int modelIndex) const override;
    bool Flash() override { return FlashT71(false); }
    // The USB and Bluetooth path of the kz9 and Pask models.
    bool FlashT71(bool bluetooth);
};

} // namespace transfer

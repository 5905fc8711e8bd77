// The firmware update over Ethernet (kz9 and Pask models with a TCP/IP daughter board): the
// whole package blocks, made least significant byte first and closed by an integrity word,
// sent by SEND_WRITE_CF in 2000-byte frames; old software goes through a transition firmware
// first.
#pragma once

#include "firmware/CTransfertWriteFW.h"

namespace transfer {

// The block as the controller takes it over Ethernet: the header's two length fields least
// significant byte first (bytes 1, 0, 2 to 6, 10, 9, 8, 7), then the content whose last 4 bytes
// are replaced by the two's complement of the sum of the content bytes before them, least
// significant byte first.
fw::Bytes EthernetBlock(const fw::Block& block);

class CTransfertWriteFWByETH : public CTransfertWriteFW {
  public:
    explicit CTransfertWriteFWByETH(std::string packagePath,
                                    comm::IControllerLink& link = comm::ComClientLink(),
                                    ILinkSession& session = ComClientSession())
        : CTransfertWriteFW(std::move(packagePath), link, session) {}

  protected:
    bool AcceptsModel(int modelIndex) const override;
    bool ModelFromIdentity() const override { return true; }
    bool BeforeDatalogErase() override;
    std::uint32_t DatalogStatusTimeoutMs() const override { return 70000; }
    bool Flash() override;

  private:
    bool SendImage(fw::ImageKind kind, std::uint32_t timeoutMs);
    bool LoadBoardFirmware();
};

} // namespace transfer

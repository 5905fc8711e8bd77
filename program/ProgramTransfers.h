// The program transfers: reading the user program of the controller into a program file and
// writing a program file into the controller, over USB/Bluetooth (CTransfert...ByUSB) or
// Ethernet (CTransfert...ByETH). The two links differ in the identity layout they read, the
// daughter-board areas they skip, and for the write in how zones are erased and sent
// (Ethernet sends fixed lengths with integrity words in 2000-byte frames).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "program/ProgramImage.h"
#include "transfer/AreaCatalogue.h"
#include "transfer/ITransfert.h"
#include "transfer/TransferUi.h"

namespace transfer {

// ---- Read.
class CTransfertReadApp : public ITransfert {
  public:
    // `familyIndex` selects the identity layout over USB/BLE; -1 takes the connected family.
    CTransfertReadApp(std::string folder, bool ethernet, comm::IControllerLink& link,
                      int familyIndex);
    void Run() override;
    // The program file written, once the transfer finished.
    const std::string& FilePath() const { return filePath_; }

  private:
    bool ReadAreas(CBaseFile& file, int modelIndex, int row, std::uint8_t v, std::uint8_t i);

    std::string folder_;
    bool ethernet_;
    int familyIndex_;
    std::string filePath_;
};

class CTransfertReadAppByUSB final : public CTransfertReadApp {
  public:
    explicit CTransfertReadAppByUSB(std::string folder,
                                    comm::IControllerLink& link = comm::ComClientLink(),
                                    int familyIndex = -1)
        : CTransfertReadApp(std::move(folder), false, link, familyIndex) {}
};

class CTransfertReadAppByETH final : public CTransfertReadApp {
  public:
    explicit CTransfertReadAppByETH(std::string folder,
                                    comm::IControllerLink& link = comm::ComClientLink())
        : CTransfertReadApp(std::move(folder), true, link, -1) {}
};

// ---- Write.
// Why a program file cannot be written into a target: nullptr when it can.
struct FileRefusal {
    const char* message = nullptr;
    AlertKind kind = AlertKind::Error;
};
// The whole check of the program file at `path` against the target whose identity was read:
// its lines, every zone decoded, the product codes and the firmware version. `image` holds
// the file once it passes.
FileRefusal CheckProgramFile(const std::string& path, bool ethernet, CFctTabIdentite& identity,
                             ProgramImage& image);
// The same check for the controller on `link` (of family `familyIndex` over USB/BLE), its
// identity read first: no message when the file can be written, else the alert the write
// would refuse it with. Reads only: the program dialog and the command line run it before
// they ask to stop the controller or about its datalogs.
FileRefusal ProgramFileRefusal(const std::string& path, bool ethernet, comm::IControllerLink& link,
                               int familyIndex);

class CTransfertWriteApp : public ITransfert {
  public:
    CTransfertWriteApp(std::string path, bool ethernet, comm::IControllerLink& link,
                       int familyIndex);
    void Run() override;

  private:
    bool WriteImage(const ProgramImage& image, int modelIndex, int row, const AreaSizeTable& sizes);
    bool EraseZone(const ProgramZone& zone, int row);
    bool WriteZoneUsb(const ProgramZone& zone, std::uint8_t share);
    bool WriteZoneEthernet(const ProgramZone& zone, std::uint8_t share);
    bool FinishUsb();

    std::string path_;
    bool ethernet_;
    int familyIndex_;
    bool skipDaughterFinish_ = false;
    bool daughterErased_ = false;
    bool daughterSessionOpen_ = false;
};

class CTransfertWriteAppByUSB final : public CTransfertWriteApp {
  public:
    explicit CTransfertWriteAppByUSB(std::string path,
                                     comm::IControllerLink& link = comm::ComClientLink(),
                                     int familyIndex = -1)
        : CTransfertWriteApp(std::move(path), false, link, familyIndex) {}
};

class CTransfertWriteAppByETH final : public CTransfertWriteApp {
  public:
    explicit CTransfertWriteAppByETH(std::string path,
                                     comm::IControllerLink& link = comm::ComClientLink())
        : CTransfertWriteApp(std::move(path), true, link, -1) {}
};

// The transfer for the link's kind (Ethernet, else USB/Bluetooth).
std::unique_ptr<CTransfertReadApp>
MakeProgramRead(const std::string& folder, comm::IControllerLink& link = comm::ComClientLink());
std::unique_ptr<CTransfertWriteApp>
MakeProgramWrite(const std::string& path, comm::IControllerLink& link = comm::ComClientLink());

// The Ethernet write of a zone: how many bytes go for an address (0 for an address outside
// the table) and the buffer with the content and its integrity words. A word is the two's
// complement of the 16-bit sum of the bytes it covers, least significant byte first.
std::uint32_t EthernetZoneLength(std::uint32_t address);
std::vector<std::uint8_t> EthernetZoneBuffer(std::uint32_t address,
                                             const std::vector<std::uint8_t>& content);

} // namespace transfer

#include "tests/firmware/firmware_e2e_support.h"

#include "QRL_protocole.pb.h"
#include "comm/ProcessState.h"
#include "firmware/FirmwareFolders.h"
#include "firmware/FirmwarePackageWriter.h"
#include "sim/firmware_image.h"

#include "firmware/FirmwareUpdate.h"
#include "platform/program_folder.h"
#include "transfer/CThreadTransfert.h"
#include "transfer/LinkSession.h"
#include "wire/t71.h"
#include <fstream>

namespace fwtest {

namespace {
// The simulated controller's default Bluetooth address, least significant byte first.
const std::uint8_t kControllerAddress[6] = {0x00, 0x5E, 0x1D, 0xC4, 0x7B, 0xA2};
} // namespace

std::string SamplePackage(const std::string& family, const std::string& model,
                          const std::string& version, const std::string& marker) {
    return platform::DefaultDataFolder("Binaries") + family + "/" + model + "/" + model + "_" +
           version + "_2" + marker + "_-1--------.vqfw";
}

std::string SmallPackage(const std::string& dir, int model, const std::string& code8,
                         const std::string& version, std::uint32_t imageSize,
                         const std::string& fileName, const std::string& headerVersion) {
    const auto v = transfer::fw::ParseVersionText(version);
    transfer::fw::PackageContents c{
        model, code8, "Small", headerVersion.empty() ? version : headerVersion, "", {}};
    for (transfer::fw::ImageKind k :
         transfer::fw::BlocksOfLayout(transfer::fw::LayoutOfModel(model)))
        // The simulator numbers the kinds in the package's order, from 1.
        c.images.push_back(sim::MakeFirmwareImage(sim::FirmwareImageKind(int(k) + 1),
                                                  std::uint8_t(v->v), std::uint8_t(v->i),
                                                  std::uint8_t(v->r), imageSize));
    const std::string path =
        dir + "/" + (fileName.empty() ? "small_" + std::to_string(model) + ".vqfw" : fileName);
    std::ofstream(path, std::ios::binary) << transfer::fw::WritePackage(c);
    return path;
}

void FirmwareSimTest::StartController(Link link, std::vector<std::string> args) {
    link_ = link;
    ASSERT_TRUE(StartSim(std::move(args)));
    PARAM_COM block = paramcom::Initial();
    switch (link) {
    case Link::kUsb:
        paramcom::SetString(block, paramcom::kPortName, paramcom::kPortNameSize, sim_->usb_name(),
                            paramcom::kMaxPortChars);
        ConnectionKind().store(comm::kLinkUsb);
        break;
    case Link::kBle:
        paramcom::SetU32(block, paramcom::kMedium, BLTH);
        paramcom::SetString(block, paramcom::kDonglePort, paramcom::kDonglePortSize, "ttySIM1",
                            paramcom::kMaxPortChars);
        paramcom::SetBleAddressRaw(block, kControllerAddress);
        ConnectionKind().store(comm::kLinkBle);
        break;
    case Link::kEthernet:
        paramcom::SetU32(block, paramcom::kMedium, ETH);
        paramcom::SetU32(block, paramcom::kIpAddress, 0x0100007F);
        paramcom::SetU32(block, paramcom::kTcpPort, std::uint32_t(sim_->tcp_port()));
        ConnectionKind().store(comm::kLinkEthernet);
        break;
    }
    ASSERT_EQ(client.SetCommParam(block), 0);
    ASSERT_EQ(client.Connect(), 0);
}

std::unique_ptr<transfer::CTransfertWriteFW>
FirmwareSimTest::RunUpdate(const std::string& package, comm::IControllerLink* link) {
    auto update = transfer::CreateFirmwareTransfer(ConnectionKind().load(), package,
                                                   link != nullptr ? *link : comm::ComClientLink());
    update->SetClock(clock_);
    update->SetUi(&ui_);
    transfer::CThreadTransfert worker;
    worker.Start(*update);
    worker.Join();
    return update;
}

std::string FirmwareSimTest::ReconnectedVersion() {
    const transfer::Reconnection r = transfer::ReconnectAfterUpdate(
        comm::ComClientLink(), transfer::ComClientSession(), clock_, 3, 500);
    return r.ok ? r.softwareVersion : "no reconnection";
}

} // namespace fwtest

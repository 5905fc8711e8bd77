#include "model/CFctTabConfT71.h"

#include "model/AnsiText.h"

namespace {

constexpr std::size_t kIp = 0, kMask = 4, kGateway = 8, kAddressing = 12;
constexpr std::size_t kPlmn = 0, kPlmnSize = 8;
constexpr std::size_t kMsisdn = 8, kMsisdnSize = 15;
constexpr std::size_t kPower = 23;

std::string DottedQuad(const std::uint8_t* b) {
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
           std::to_string(b[3]);
}

} // namespace

CFctTabConfT71::CFctTabConfT71(comm::IControllerLink& reader) : CFctTabConf(reader, kLayout) {
    Reset();
}

std::string CFctTabConfT71::FormatIpAddress() const {
    return DottedQuad(netView_.data() + kIp);
}

std::string CFctTabConfT71::FormatSubnetMask() const {
    return DottedQuad(netView_.data() + kMask);
}

std::string CFctTabConfT71::FormatGateway() const {
    return DottedQuad(netView_.data() + kGateway);
}

std::string CFctTabConfT71::FormatReservedAddress() const {
    return DottedQuad(reservedView_.data());
}

bool CFctTabConfT71::HasReservedAddress() const {
    return reservedView_[0] != 0 || reservedView_[1] != 0 || reservedView_[2] != 0 ||
           reservedView_[3] != 0;
}

std::uint8_t CFctTabConfT71::GetServerTimeout() const {
    return reservedView_[4];
}

bool CFctTabConfT71::IsDynamicAddressing() const {
    return netView_[kAddressing] == 0;
}

std::string CFctTabConfT71::GetActivePlmn() const {
    return model::FieldCode(gprsView_.data() + kPlmn, kPlmnSize);
}

std::string CFctTabConfT71::GetMsisdn() const {
    return model::FieldCode(gprsView_.data() + kMsisdn, kMsisdnSize);
}

std::string CFctTabConfT71::FormatPower() const {
    return std::to_string(2 * int(gprsView_[kPower]) - 113) + " dBm";
}

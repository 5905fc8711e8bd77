#include "model/CFctTabIdentite.h"

#include "model/AnsiText.h"
#include "model/ModelTable.h"

CFctTabIdentite::CFctTabIdentite(comm::IControllerLink& reader, std::size_t bootOffset)
    : reader_(reader), bootOffset_(bootOffset) {}

void CFctTabIdentite::Reset() {
    record_.fill(0);
    timeoutMs_ = reader_.LinkTimeoutMs();
}

std::string CFctTabIdentite::GetCode8() const {
    return model::FieldCode(record_.data() + kCode8, kCode8Size);
}

int CFctTabIdentite::GetModelIndex() const {
    return ModelFromCode8(
        model::ParseCode8(reinterpret_cast<const char*>(record_.data() + kCode8)));
}

std::string CFctTabIdentite::GetTypeName() const {
    return model::FieldText(record_.data() + kType, kTypeSize);
}

std::uint8_t CFctTabIdentite::Read() {
    Record fresh{};
    if (reader_.Read(fresh.data(), kAddress, kRecordSize, timeoutMs_) != 0)
        return comm::kTargetNotAnswering;
    record_ = fresh;
    return 0;
}

std::string CFctTabIdentite::FormatHardwareVir() const {
    return model::FormatVir(GetHardwareV(), GetHardwareI(), GetHardwareR());
}

std::string CFctTabIdentite::FormatBootVir() const {
    return model::FormatVir(GetBootV(), GetBootI(), GetBootR());
}

std::string CFctTabIdentite::FormatBootloaderVir() const {
    return model::FormatVir(GetBootloaderV(), GetBootloaderI(), GetBootloaderR());
}

std::string CFctTabIdentite::FormatSoftwareVir() const {
    return model::FormatVir(GetSoftwareV(), GetSoftwareI(), GetSoftwareR());
}

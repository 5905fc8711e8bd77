#include "comm/CDllBase.h"

CDllBase::~CDllBase() {
    CDllBase::Unload();
}

int CDllBase::Load(const std::string&) {
    return 1;
}

void CDllBase::Unload() {
    library_.Close();
    entry_ = nullptr;
}

int CDllBase::GetVersion(t71::VersionRecord&) {
    return 1;
}

std::string CDllBase::FormatVersion() const {
    return std::to_string(major_) + "." + std::to_string(minor_);
}

#include "services/ui/AccessCheck.h"

#include <utility>

#include "services/AccessProbe.h"

namespace {

AccessCheckFn& Installed() {
    static AccessCheckFn check;
    return check;
}

} // namespace

void SetAccessCheck(AccessCheckFn check) {
    Installed() = std::move(check);
}

bool RunAccessCheck(QWidget* parent) {
    if (Installed())
        return Installed()(parent);
    return services::AccessProbe();
}

// The identity and configuration variants that a family index calls for: the T71 layout for
// kz9 and Pask, the Trel layout for Trel, none for any other value.
#pragma once

#include <memory>

#include "model/CFctTabConf.h"
#include "model/CFctTabIdentite.h"

namespace model {

std::unique_ptr<CFctTabIdentite>
CreateIdentityTable(int familyIndex, comm::IControllerLink& reader = comm::ComClientLink());
std::unique_ptr<CFctTabConf> CreateConfTable(int familyIndex,
                                             comm::IControllerLink& reader = comm::ComClientLink());

} // namespace model

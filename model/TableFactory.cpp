#include "model/TableFactory.h"

#include "model/CFctTabConfT71.h"
#include "model/CFctTabConfTrel.h"
#include "model/CFctTabIdentiteT71.h"
#include "model/CFctTabIdentiteTrel.h"
#include "model/ModelTable.h"

namespace model {

std::unique_ptr<CFctTabIdentite> CreateIdentityTable(int familyIndex,
                                                     comm::IControllerLink& reader) {
    if (familyIndex == kFamilyKz9 || familyIndex == kFamilyPask)
        return std::make_unique<CFctTabIdentiteT71>(reader);
    if (familyIndex == kFamilyTrel)
        return std::make_unique<CFctTabIdentiteTrel>(reader);
    return nullptr;
}

std::unique_ptr<CFctTabConf> CreateConfTable(int familyIndex, comm::IControllerLink& reader) {
    if (familyIndex == kFamilyKz9 || familyIndex == kFamilyPask)
        return std::make_unique<CFctTabConfT71>(reader);
    if (familyIndex == kFamilyTrel)
        return std::make_unique<CFctTabConfTrel>(reader);
    return nullptr;
}

} // namespace model

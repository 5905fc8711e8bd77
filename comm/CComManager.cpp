#include "comm/CComManager.h"

CComManager& CComManager::Instance() {
    // Never destroyed: the core server may still run while the process exits.
    static CComManager* manager = new CComManager();
    return *manager;
}

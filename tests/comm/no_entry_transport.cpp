// A shared library that exports no T71_COMM: the binding must treat it as missing.
#include "wire/t71.h"

QUORVEL_T71_EXPORT int T71_OTHER() {
    return 0;
}

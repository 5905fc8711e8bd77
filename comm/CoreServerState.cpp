#include "comm/CoreServerState.h"

CoreServerState& CoreServerState::Instance() {
    static CoreServerState* state = new CoreServerState();
    return *state;
}

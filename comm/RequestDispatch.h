// The core server's answer to one request: the dispatch table by reqType. Runs on the
// core server thread only.
#pragma once

#include "QRL_protocole.pb.h"

namespace coreserver {

// Carries out `request` and fills `reply`. False when the reqType is not in the table
// (or absent): the reply then stays empty.
bool Dispatch(const QRL_Request& request, QRL_Reply& reply);

// The publication of one monitoring pass: r_OK with the 156 display bytes, or r_KO with
// the failing code.
void MonitoringPublication(QRL_Publish& publication);

} // namespace coreserver

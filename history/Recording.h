// Filling and writing one row of the service history around an operation, for the program
// and the command line alike: the link as the history names it, the controller as it is at
// the start, the row's end.
#pragma once

#include <cstdint>
#include <string>

#include "comm/ControllerLink.h"
#include "history/HistoryDb.h"
#include "wire/t71.h"

namespace history {

// A row started now by this user on this host with `program` ("Quorvel 2.3.1").
Record BeginRecord(const std::string& program, const std::string& operation);

// A row started now on the controller `reader` reaches through `link`: its code8, model,
// label and software version are read first (each left empty when it cannot be read, the
// operation goes on all the same).
Record BeginOperation(const std::string& program, const std::string& operation,
                      const LinkEntry& link, comm::IControllerLink& reader);

// The controller `reader` reaches, as a row names it; fields that cannot be read stay empty.
ControllerEntry IdentifyController(comm::IControllerLink& reader);

// "AA:BB:CC:DD:EE:FF" of six address bytes stored least significant first, shown most
// significant first as the connection dialog does.
std::string BleAddressText(const std::uint8_t raw[6]);
// "192.168.1.20:502" of an address whose first byte is its lowest.
std::string EthernetAddressText(std::uint32_t host, std::uint32_t tcpPort);
// The link of a link parameter block, as a row names it.
LinkEntry LinkOfParameters(const PARAM_COM& block);

// Ends `record` now with `result` and `message`, adds it to `db`.
void FinishRecord(HistoryDb& db, Record& record, const std::string& result,
                  const std::string& message);

} // namespace history

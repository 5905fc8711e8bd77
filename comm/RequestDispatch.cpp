#include "comm/RequestDispatch.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "comm/CComManager.h"
#include "comm/CommParamCodec.h"
#include "comm/CoreServerState.h"
#include "comm/LinkControl.h"
#include "comm/ServerCodes.h"

namespace coreserver {

namespace {

using Handler = void (*)(const QRL_Request&, QRL_Reply&);

constexpr std::uint32_t kDefaultReadTimeoutMs = 5000;

void Ko(QRL_Reply& reply, std::uint32_t code) {
    reply.set_status(r_KO);
    reply.set_codeerreur(code);
}

// The reply of an operation that returns 0 or a code.
void FromResult(QRL_Reply& reply, int rc) {
    if (rc == 0)
        reply.set_status(r_OK);
    else
        Ko(reply, std::uint32_t(rc));
}

void SetCommParam(const QRL_Request& request, QRL_Reply& reply) {
    if (!request.has_commparam()) {
        Ko(reply, servercode::kNoCommParam);
        return;
    }
    corelink::CloseLink();
    CComManager& manager = CComManager::Instance();
    const ComType& param = request.commparam();
    manager.cible = param.cible();
    FromResult(reply, int(commparam::StoreOnServer(param, manager.param,
                                                   CoreServerState::Instance().sslPeerName)));
}

void GetCommParam(const QRL_Request&, QRL_Reply& reply) {
    const CComManager& manager = CComManager::Instance();
    commparam::DescribeOnServer(manager.param, manager.cible,
                                CoreServerState::Instance().sslPeerName,
                                *reply.mutable_commparam());
    reply.set_status(r_OK);
}

// Reads NbData bytes into a buffer of the request channel's size; a larger NbData is
// refused before anything is called.
void Read(const QRL_Request& request, QRL_Reply& reply, std::int32_t command,
          bool zeroMeansDefault) {
    if (!request.has_trametosend()) {
        Ko(reply, servercode::kNoTrame);
        return;
    }
    const Trame& trame = request.trametosend();
    if (trame.nbdata() > t71::kMaxTransfer) {
        Ko(reply, servercode::kTrameTooLarge);
        return;
    }
    if (int rc = corelink::EnsureConnected(); rc != 0) {
        Ko(reply, std::uint32_t(rc));
        return;
    }
    std::uint32_t timeout = trame.timeout();
    if (timeout == 0 && zeroMeansDefault)
        timeout = kDefaultReadTimeoutMs;
    corelink::SetTimeout(timeout);
    // Cleared, so that a library returning fewer bytes than asked leaks nothing.
    static std::vector<std::uint8_t> buffer(t71::kMaxTransfer);
    std::fill_n(buffer.begin(), trame.nbdata(), 0);
    int rc = corelink::Access(command, std::int32_t(trame.nbdata()), trame.adress(), buffer.data());
    FromResult(reply, rc);
    if (rc == 0)
        reply.set_dataread(buffer.data(), trame.nbdata());
}

// Copies the request's bytes into a buffer of at least max(NbData, size) bytes, so that
// the library never reaches past what it may touch. Checks common to writes and
// SEND_READ_EXT; a write may not claim more bytes than it carries. False (reply filled)
// when the request cannot be carried out.
bool PrepareBufferAccess(const QRL_Request& request, QRL_Reply& reply, bool isWrite,
                         std::vector<std::uint8_t>& bytes) {
    if (!request.has_trametosend() || !request.trametosend().has_buffer()) {
        Ko(reply, servercode::kNoTrame);
        return false;
    }
    const Trame& trame = request.trametosend();
    if (trame.nbdata() > t71::kMaxTransfer || (isWrite && trame.nbdata() > trame.buffer().size())) {
        Ko(reply, servercode::kTrameTooLarge);
        return false;
    }
    bytes.assign(std::max<std::size_t>({trame.nbdata(), trame.buffer().size(), 1}), 0);
    std::memcpy(bytes.data(), trame.buffer().data(), trame.buffer().size());
    if (int rc = corelink::EnsureConnected(); rc != 0) {
        Ko(reply, std::uint32_t(rc));
        return false;
    }
    corelink::SetTimeout(trame.timeout());
    return true;
}

void Write(const QRL_Request& request, QRL_Reply& reply, std::int32_t command) {
    const Trame& trame = request.trametosend();
    std::vector<std::uint8_t> bytes;
    if (!PrepareBufferAccess(request, reply, true, bytes))
        return;
    FromResult(reply, corelink::Access(command, std::int32_t(trame.nbdata()), trame.adress(),
                                       bytes.data()));
}

void ReadExt(const QRL_Request& request, QRL_Reply& reply) {
    const Trame& trame = request.trametosend();
    std::vector<std::uint8_t> bytes;
    if (!PrepareBufferAccess(request, reply, false, bytes))
        return;
    FromResult(reply, corelink::Access(t71::kCmdReadExt, std::int32_t(trame.nbdata()),
                                       trame.adress(), bytes.data()));
}

void StartMonitor(const QRL_Request&, QRL_Reply& reply) {
    CoreServerState::Instance().monitoring.store(true);
    reply.set_status(r_OK);
}

void StopMonitor(const QRL_Request&, QRL_Reply& reply) {
    CoreServerState::Instance().monitoring.store(false);
    reply.set_status(r_OK);
}

void Connect(const QRL_Request&, QRL_Reply& reply) {
    // The outcome shows on the next memory access; CONNECT itself always succeeds.
    corelink::EnsureConnected();
    reply.set_status(r_OK);
}

void Deconnect(const QRL_Request&, QRL_Reply& reply) {
    CoreServerState::Instance().monitoring.store(false);
    if (CComManager::Instance().linkClosed.load() == 0)
        corelink::GoodbyeAndClose();
    reply.set_status(r_OK);
}

void Kill(const QRL_Request&, QRL_Reply& reply) {
    CoreServerState::Instance().stop.store(true);
    reply.set_status(r_OK);
}

struct Entry {
    req_Type type;
    Handler handler;
};

constexpr Entry kTable[] = {
    {SET_COMM_PARAM, SetCommParam},
    {GET_COMM_PARAM, GetCommParam},
    {SEND_READ, [](const QRL_Request& q, QRL_Reply& r) { Read(q, r, t71::kCmdRead, true); }},
    {SEND_READ_CF, [](const QRL_Request& q, QRL_Reply& r) { Read(q, r, t71::kCmdReadCF, false); }},
    {SEND_READ_EXT, ReadExt},
    {SEND_WRITE, [](const QRL_Request& q, QRL_Reply& r) { Write(q, r, t71::kCmdWrite); }},
    {SEND_WRITE_CF, [](const QRL_Request& q, QRL_Reply& r) { Write(q, r, t71::kCmdWriteCF); }},
    {SEND_WRITE_EXT, [](const QRL_Request& q, QRL_Reply& r) { Write(q, r, t71::kCmdWriteExt); }},
    {START_MONITOR, StartMonitor},
    {STOP_MONITOR, StopMonitor},
    {CONNECT, Connect},
    {DECONNECT, Deconnect},
    {QRL_KILL, Kill},
};

} // namespace

bool Dispatch(const QRL_Request& request, QRL_Reply& reply) {
    reply.Clear();
    if (!request.has_reqtype())
        return false;
    for (const Entry& entry : kTable) {
        if (entry.type == request.reqtype()) {
            reply.set_reqtrigger(entry.type);
            entry.handler(request, reply);
            return true;
        }
    }
    return false;
}

void MonitoringPublication(QRL_Publish& publication) {
    publication.Clear();
    std::uint8_t display[corelink::kDisplaySize] = {};
    int rc = corelink::ReadDisplay(display);
    if (rc == 0) {
        publication.set_status(r_OK);
        publication.set_dataread(display, sizeof display);
    } else {
        publication.set_status(r_KO);
        publication.set_codeerreur(std::uint32_t(rc));
    }
}

} // namespace coreserver

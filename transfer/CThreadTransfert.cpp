#include "transfer/CThreadTransfert.h"

namespace transfer {

void CThreadTransfert::Start(ITransfert& transfer) {
    if (thread_.joinable())
        return;
    thread_ = std::thread([&transfer] { transfer.Run(); });
}

void CThreadTransfert::Join() {
    if (thread_.joinable())
        thread_.join();
}

} // namespace transfer

#include "filter/core/portable/FilterLog.h"

#include <atomic>

namespace {

class CDroppedLog : public IFilterLog {
public:
    bool Enabled(signed char) const override { return false; }
    void Write(const std::string&, signed char) override {}
};

CDroppedLog gDropped;
std::atomic<IFilterLog*> gFilterLog{&gDropped};

}  // namespace

IFilterLog& FilterLog() noexcept {
    return *gFilterLog.load(std::memory_order_acquire);
}

void SetFilterLog(IFilterLog* pLog) noexcept {
    gFilterLog.store(pLog != nullptr ? pLog : &gDropped, std::memory_order_release);
}

#include "MemoryBudget.h"

#include <algorithm>

namespace imprimata {

namespace {
constexpr qint64 Unit = 1LL << 20;
}

MemoryBudget::MemoryBudget(qint64 bytes)
    : total_(static_cast<int>(std::max<qint64>(1, bytes / Unit))), units_(total_) {}

MemoryBudget::Claim MemoryBudget::claim(qint64 bytes) {
    const int count = static_cast<int>(std::clamp<qint64>((bytes + Unit - 1) / Unit, 1, total_));
    units_.acquire(count);
    return Claim(units_, count);
}

qint64 MemoryBudget::available() const {
    return qint64(units_.available()) * Unit;
}

} // namespace imprimata

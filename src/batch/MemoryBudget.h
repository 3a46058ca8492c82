#pragma once

#include <QSemaphore>
#include <QtGlobal>
#include <utility>

namespace imprimata {

// The pictures held at once share one budget, so --jobs cannot multiply the worst case: a job
// waits for room rather than failing.
class MemoryBudget {
public:
    // Counted in whole mebibytes, enough for the largest picture the program opens.
    static constexpr qint64 DefaultBytes = 1536LL << 20;

    explicit MemoryBudget(qint64 bytes = DefaultBytes);

    // Holds its share until destroyed.
    class Claim {
    public:
        Claim(QSemaphore &units, int count) : units_(&units), count_(count) {}
        Claim(Claim &&other) noexcept
            : units_(other.units_), count_(std::exchange(other.count_, 0)) {}
        Claim(const Claim &) = delete;
        Claim &operator=(const Claim &) = delete;
        Claim &operator=(Claim &&) = delete;
        ~Claim() {
            if (count_ > 0)
                units_->release(count_);
        }

    private:
        QSemaphore *units_;
        int count_;
    };

    // Waits until the bytes fit. A claim larger than the whole budget waits for all of it.
    [[nodiscard]] Claim claim(qint64 bytes);

    qint64 available() const;

private:
    int total_;
    QSemaphore units_;
};

} // namespace imprimata

#include "tool/MemoryBudget.h"

#include <QtTest>
#include <atomic>
#include <optional>
#include <thread>

using namespace imprimata;

class BudgetTest : public QObject {
    Q_OBJECT

private slots:
    void claimWaitsForRoom();
    void oversizedClaimTakesEverything();
};

void BudgetTest::claimWaitsForRoom() {
    constexpr qint64 MiB = 1 << 20;
    MemoryBudget budget(100 * MiB);
    std::optional<MemoryBudget::Claim> first = budget.claim(80 * MiB);
    std::atomic<bool> second{false};
    std::thread waiting([&] {
        const MemoryBudget::Claim claim = budget.claim(60 * MiB);
        second = true;
    });
    QTest::qWait(200);
    QVERIFY(!second);
    first.reset();
    waiting.join();
    QVERIFY(second);
    QCOMPARE(budget.available(), 100 * MiB);
}

// One picture larger than the whole budget still gets stamped, alone.
void BudgetTest::oversizedClaimTakesEverything() {
    MemoryBudget budget(64LL << 20);
    {
        const MemoryBudget::Claim all = budget.claim(1LL << 40);
        QCOMPARE(budget.available(), qint64(0));
    }
    QCOMPARE(budget.available(), 64LL << 20);
}

QTEST_GUILESS_MAIN(BudgetTest)
#include "tst_budget.moc"

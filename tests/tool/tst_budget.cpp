#include "batch/MemoryBudget.h"

#include <QtTest>
#include <atomic>
#include <optional>
#include <thread>

using namespace imprimata;

class BudgetTest : public QObject {
    Q_OBJECT

private slots:
    void claimWaitsForRoom() {
        constexpr qint64 MiB = 1 << 20;
        MemoryBudget budget(100 * MiB);
        // A started mebibyte counts whole: 51 and 50 do not fit into 100.
        std::optional<MemoryBudget::Claim> first = budget.claim(50 * MiB + 1);
        std::atomic<bool> second{false};
        std::thread waiting([&] {
            const MemoryBudget::Claim claim = budget.claim(50 * MiB);
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
    void oversizedClaimTakesEverything() {
        MemoryBudget budget(64LL << 20);
        {
            const MemoryBudget::Claim all = budget.claim(1LL << 40);
            QCOMPARE(budget.available(), qint64(0));
        }
        QCOMPARE(budget.available(), 64LL << 20);
    }
};

QTEST_GUILESS_MAIN(BudgetTest)
#include "tst_budget.moc"

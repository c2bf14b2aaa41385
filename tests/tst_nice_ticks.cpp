// Axis ticks on round values whose labels never repeat, over ranges the trend chart meets.
#include <QtTest>

#include "convert/nice_ticks.h"

class TestNiceTicks : public QObject {
    Q_OBJECT
  private slots:
    void ticksAreRoundAndLabelledApart_data() {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<double>("step");
        QTest::addColumn<int>("decimals");
        QTest::newRow("0 to 50 Hz") << 0.0 << 50.0 << 10.0 << 0;
        QTest::newRow("a narrow current") << 1.23 << 1.31 << 0.02 << 2;
        QTest::newRow("a flat line") << 5.0 << 5.0 << 0.2 << 1;
        QTest::newRow("a flat zero") << 0.0 << 0.0 << 0.05 << 2;
        QTest::newRow("bus voltage") << 538.0 << 541.5 << 1.0 << 0;
        QTest::newRow("negative speed") << -1500.0 << 1500.0 << 500.0 << 0;
        QTest::newRow("reversed ends") << 9.0 << 1.0 << 2.0 << 0;
        QTest::newRow("tiny steps") << 0.0 << 0.003 << 0.0005 << 4;
    }
    void ticksAreRoundAndLabelledApart() {
        QFETCH(double, low);
        QFETCH(double, high);
        const conv::Ticks ticks = conv::NiceTicks(low, high, 6);
        QTEST(ticks.step, "step");
        QTEST(ticks.decimals, "decimals");
        QVERIFY(ticks.from <= std::min(low, high) && ticks.to >= std::max(low, high));
        QVERIFY(ticks.count() - 1 <= 6 && ticks.count() >= 3);
        QStringList labels;
        for (int i = 0; i < ticks.count(); ++i) labels << ticks.label(i);
        QCOMPARE(QSet<QString>(labels.begin(), labels.end()).size(), labels.size());
        QVERIFY(!labels.contains(QStringLiteral("-0")));
    }
};

QTEST_GUILESS_MAIN(TestNiceTicks)
#include "tst_nice_ticks.moc"

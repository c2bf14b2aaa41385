// What the quick commands accept from their entry boxes: only what the request carries unchanged.
#include <QtTest>

#include "drive/entry_checks.h"

class TestEntryChecks : public QObject {
    Q_OBJECT
  private slots:
    void wholeNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("highest");
        QTest::addColumn<int>("value");  // -1: refused
        QTest::newRow("address 0 reaches every drive") << "0" << 247 << 0;
        QTest::newRow("address 247") << "247" << 247 << 247;
        QTest::newRow("address 248") << "248" << 247 << -1;
        QTest::newRow("blanks around") << " 12 " << 247 << 12;
        QTest::newRow("form feed the box would not skip") << "\f12" << 247 << -1;
        QTest::newRow("negative") << "-1" << 65535 << -1;
        QTest::newRow("fraction") << "1.5" << 65535 << -1;
        QTest::newRow("empty") << "" << 65535 << -1;
        QTest::newRow("pasted frame") << "3A 30 31 0D" << 247 << -1;
        QTest::newRow("value 65535") << "65535" << 65535 << 65535;
        QTest::newRow("value 70000") << "70000" << 65535 << -1;
        QTest::newRow("other digits") << QString::fromUtf8("٥") << 65535 << -1;
    }
    void wholeNumbers() {
        QFETCH(QString, text);
        QFETCH(int, highest);
        QTEST(drive::WholeNumber(text, 0, highest).value_or(-1), "value");
    }

    void frequencies_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("hundredths");  // -1: refused
        QTest::newRow("0") << "0" << 0;
        QTest::newRow("50") << "50" << 5000;
        QTest::newRow("50.5") << "50.5" << 5050;
        QTest::newRow("12.34 is not 1233") << "12.34" << 1234;
        QTest::newRow(".5") << ".5" << 50;
        QTest::newRow("highest carried unchanged") << "642.55" << 64255;
        QTest::newRow("one step above") << "642.56" << -1;
        QTest::newRow("box limit 40000") << "40000" << -1;
        QTest::newRow("negative") << "-5" << -1;
        QTest::newRow("three decimals") << "12.345" << -1;
        QTest::newRow("exponent") << "1e2" << -1;
        QTest::newRow("a dot alone") << "." << -1;
        QTest::newRow("form feed the box would not skip") << "\f1.5" << -1;
    }
    void frequencies() {
        QFETCH(QString, text);
        QTEST(drive::FrequencyHundredths(text).value_or(-1), "hundredths");
    }
};

QTEST_APPLESS_MAIN(TestEntryChecks)
#include "tst_entry_checks.moc"

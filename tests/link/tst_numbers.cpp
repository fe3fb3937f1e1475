#include "link/numbers.h"

#include <QTest>

class TestNumbers : public QObject
{
    Q_OBJECT

private slots:
    void isNumeric_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::newRow("whole") << "12000000" << true;
        QTest::newRow("blanks around") << "  129 " << true;
        QTest::newRow("signs") << "-5" << true;
        QTest::newRow("plus") << "+5" << true;
        QTest::newRow("decimal") << "27500.00" << true;
        QTest::newRow("leading point") << ".5" << true;
        QTest::newRow("trailing point") << "5." << true;
        QTest::newRow("exponent") << "1.2E3" << true;
        QTest::newRow("exponent sign") << "1e-3" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blanks only") << "   " << false;
        QTest::newRow("point only") << "." << false;
        QTest::newRow("sign only") << "-" << false;
        QTest::newRow("two points") << "1.2.3" << false;
        QTest::newRow("exponent without digits") << "1E" << false;
        QTest::newRow("exponent without mantissa") << "E5" << false;
        QTest::newRow("inner blank") << "1 2" << false;
        QTest::newRow("thousands") << "1,000" << false;
        QTest::newRow("hex") << "&H10" << false;
        QTest::newRow("trailing text") << "12kHz" << false;
        QTest::newRow("unanswered query") << "?" << false;
    }
    void isNumeric()
    {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QCOMPARE(IsNumeric(text), numeric);
    }

    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("whole") << "11034000" << 11034000.0;
        QTest::newRow("with unit") << "27500.00 kS" << 27500.0;
        QTest::newRow("leading blanks") << "   42abc" << 42.0;
        QTest::newRow("not a number") << "H" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("negative") << "-12.5x" << -12.5;
        QTest::newRow("exponent") << "2E3;" << 2000.0;
        QTest::newRow("dangling exponent") << "7E;" << 7.0;
        QTest::newRow("sign alone") << "-x" << 0.0;
        QTest::newRow("second point") << "1.2.3" << 1.2;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(LeadingNumber(text), value);
    }
};

QTEST_GUILESS_MAIN(TestNumbers)
#include "tst_numbers.moc"

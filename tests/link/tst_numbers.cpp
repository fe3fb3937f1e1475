#include "link/numbers.h"

#include <QTest>

class TestNumbers : public QObject
{
    Q_OBJECT

private slots:
    void isNumeric()
    {
        for (const char *text : {"  129 ", "-5", ".5", "5.", "1.2E3", "1e-3"})
            QVERIFY2(IsNumeric(QString(text)), text);
        for (const char *text :
             {"", "   ", ".", "-", "1.2.3", "1E", "E5", "1 2", "1,000", "&H10", "12kHz", "?"})
            QVERIFY2(!IsNumeric(QString(text)), text);
    }

    void leadingNumber()
    {
        const QList<QPair<const char *, double>> cases{
            {"27500.00 kS", 27500}, {"   42abc", 42}, {"H", 0},  {"", 0},       {"-12.5x", -12.5},
            {"2E3;", 2000},         {"7E;", 7},       {"-x", 0}, {"1.2.3", 1.2}};
        for (const auto &[text, value] : cases)
            QVERIFY2(LeadingNumber(text) == value, text);
    }
};

QTEST_GUILESS_MAIN(TestNumbers)
#include "tst_numbers.moc"

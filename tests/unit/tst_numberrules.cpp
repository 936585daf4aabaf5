// The number rules of typed and file values, the strtod/strtol-style conversions of the
// operator dialogs and printf-style formatting; all of them again under a German locale,
// whose decimal separator is a comma, because Qt applies the user's locale at start-up.
#include "model/NumberRules.h"

#include <QRandomGenerator>
#include <QTest>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

using namespace vq3::model;

Q_DECLARE_METATYPE(vq3::model::NumberCheck)

namespace {

std::string Bytes(const QByteArray& text) {
    return std::string(text.constData(), text.size());
}

// Switches the whole process to a locale for one scope.
class ScopedLocale {
public:
    explicit ScopedLocale(const char* name) {
        const char* old = std::setlocale(LC_ALL, nullptr);
        m_old = old ? old : "C";
        m_active = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~ScopedLocale() { std::setlocale(LC_ALL, m_old.c_str()); }
    bool Active() const { return m_active; }

private:
    std::string m_old;
    bool m_active = false;
};

constexpr const char* kGerman = "de_DE.UTF-8";

} // namespace

class NumberRulesTest : public QObject {
    Q_OBJECT
private slots:
    void ruleInteger_data();
    void ruleInteger();
    void ruleDecimal_data();
    void ruleDecimal();
    void convertDecimal_data();
    void convertDecimal();
    void convertInteger32_data();
    void convertInteger32();
    void formatFixed_data();
    void formatFixed();
    void formatInt_data();
    void formatInt();
    void formatFixedMatchesCLocalePrintf();
    void germanLocale_data();
    void germanLocale();
};

void NumberRulesTest::ruleInteger_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<NumberCheck>("check");
    QTest::addColumn<qlonglong>("value");

    QTest::newRow("empty is zero") << QByteArray("") << NumberCheck::Ok << 0LL;
    QTest::newRow("plain") << QByteArray("50") << NumberCheck::Ok << 50LL;
    QTest::newRow("leading zeros") << QByteArray("050") << NumberCheck::Ok << 50LL;
    QTest::newRow("leading blank") << QByteArray(" 50") << NumberCheck::Ok << 50LL;
    QTest::newRow("every white space before")
        << QByteArray(" \t\n\v\f\r7") << NumberCheck::Ok << 7LL;
    QTest::newRow("plus sign") << QByteArray("+20") << NumberCheck::Ok << 20LL;
    QTest::newRow("minus sign") << QByteArray("-1") << NumberCheck::Ok << -1LL;
    QTest::newRow("blank then sign") << QByteArray("  -3") << NumberCheck::Ok << -3LL;
    QTest::newRow("largest") << QByteArray("9223372036854775807") << NumberCheck::Ok
                             << std::numeric_limits<qlonglong>::max();
    QTest::newRow("smallest") << QByteArray("-9223372036854775808") << NumberCheck::Ok
                              << std::numeric_limits<qlonglong>::min();
    QTest::newRow("trailing blank") << QByteArray("50 ") << NumberCheck::Malformed << 0LL;
    QTest::newRow("trailing line feed") << QByteArray("50\n") << NumberCheck::Malformed << 0LL;
    QTest::newRow("decimal point") << QByteArray("50.0") << NumberCheck::Malformed << 0LL;
    QTest::newRow("white space alone") << QByteArray("   ") << NumberCheck::Malformed << 0LL;
    QTest::newRow("sign alone") << QByteArray("-") << NumberCheck::Malformed << 0LL;
    QTest::newRow("blank after sign") << QByteArray("- 5") << NumberCheck::Malformed << 0LL;
    QTest::newRow("two signs") << QByteArray("+-5") << NumberCheck::Malformed << 0LL;
    QTest::newRow("second number") << QByteArray("5,0") << NumberCheck::Malformed << 0LL;
    QTest::newRow("exponent") << QByteArray("1e2") << NumberCheck::Malformed << 0LL;
    QTest::newRow("hexadecimal") << QByteArray("0x10") << NumberCheck::Malformed << 0LL;
    QTest::newRow("letters") << QByteArray("abc") << NumberCheck::Malformed << 0LL;
    QTest::newRow("NUL inside") << QByteArray("12\0003", 4) << NumberCheck::Malformed << 0LL;
    QTest::newRow("one past largest")
        << QByteArray("9223372036854775808") << NumberCheck::OutOfRange << 0LL;
    QTest::newRow("far too large")
        << QByteArray("-99999999999999999999999") << NumberCheck::OutOfRange << 0LL;
}

void NumberRulesTest::ruleInteger() {
    QFETCH(QByteArray, text);
    QFETCH(NumberCheck, check);
    QFETCH(qlonglong, value);
    const IntegerValue parsed = ParseRuleInteger(Bytes(text));
    QCOMPARE(parsed.check, check);
    if (check == NumberCheck::Ok)
        QCOMPARE(parsed.value, value);
}

void NumberRulesTest::ruleDecimal_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<NumberCheck>("check");
    QTest::addColumn<double>("value");

    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("empty is zero") << QByteArray("") << NumberCheck::Ok << 0.0;
    QTest::newRow("plain") << QByteArray("12.5") << NumberCheck::Ok << 12.5;
    QTest::newRow("integer") << QByteArray("1000") << NumberCheck::Ok << 1000.0;
    QTest::newRow("point first") << QByteArray(".5") << NumberCheck::Ok << 0.5;
    QTest::newRow("point last") << QByteArray("5.") << NumberCheck::Ok << 5.0;
    QTest::newRow("e exponent") << QByteArray("1e2") << NumberCheck::Ok << 100.0;
    QTest::newRow("d exponent") << QByteArray("1d2") << NumberCheck::Ok << 100.0;
    QTest::newRow("D exponent, sign") << QByteArray("25D-1") << NumberCheck::Ok << 2.5;
    QTest::newRow("E exponent, plus") << QByteArray("1.5E+1") << NumberCheck::Ok << 15.0;
    QTest::newRow("leading blanks") << QByteArray("  7") << NumberCheck::Ok << 7.0;
    QTest::newRow("negative") << QByteArray("-0.1") << NumberCheck::Ok << -0.1;
    QTest::newRow("plus") << QByteArray("+9.99") << NumberCheck::Ok << 9.99;
    QTest::newRow("tiny underflows to zero") << QByteArray("1e-999") << NumberCheck::Ok << 0.0;
    QTest::newRow("many digits") << QByteArray("999.90000000000000000000001") << NumberCheck::Ok
                                 << 999.9;
    QTest::newRow("comma") << QByteArray("12,5") << NumberCheck::Malformed << 0.0;
    QTest::newRow("trailing blank") << QByteArray("12.5 ") << NumberCheck::Malformed << 0.0;
    QTest::newRow("two points") << QByteArray("1.2.3") << NumberCheck::Malformed << 0.0;
    QTest::newRow("point alone") << QByteArray(".") << NumberCheck::Malformed << 0.0;
    QTest::newRow("white space alone") << QByteArray(" \t") << NumberCheck::Malformed << 0.0;
    QTest::newRow("exponent alone") << QByteArray("e2") << NumberCheck::Malformed << 0.0;
    QTest::newRow("exponent without digits") << QByteArray("1e") << NumberCheck::Malformed << 0.0;
    QTest::newRow("exponent sign only") << QByteArray("1e+") << NumberCheck::Malformed << 0.0;
    QTest::newRow("exponent with point") << QByteArray("1e2.5") << NumberCheck::Malformed << 0.0;
    QTest::newRow("infinity word") << QByteArray("inf") << NumberCheck::Malformed << 0.0;
    QTest::newRow("nan word") << QByteArray("nan") << NumberCheck::Malformed << 0.0;
    QTest::newRow("hexadecimal") << QByteArray("0x1p3") << NumberCheck::Malformed << 0.0;
    QTest::newRow("letters") << QByteArray("abc") << NumberCheck::Malformed << 0.0;
    QTest::newRow("overflow") << QByteArray("1e999") << NumberCheck::OutOfRange << inf;
    QTest::newRow("negative overflow") << QByteArray("-1d400") << NumberCheck::OutOfRange << -inf;
    QTest::newRow("400 digits") << QByteArray("1") + QByteArray(400, '0') << NumberCheck::OutOfRange
                                << inf;
}

void NumberRulesTest::ruleDecimal() {
    QFETCH(QByteArray, text);
    QFETCH(NumberCheck, check);
    QFETCH(double, value);
    const DecimalValue parsed = ParseRuleDecimal(Bytes(text));
    QCOMPARE(parsed.check, check);
    if (check != NumberCheck::Malformed)
        QCOMPARE(parsed.value, value);
}

void NumberRulesTest::convertDecimal_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("leftover");

    QTest::newRow("empty") << QByteArray("") << 0.0 << false;
    QTest::newRow("blanks only") << QByteArray("  ") << 0.0 << true;
    QTest::newRow("999.9") << QByteArray("999.9") << 999.9 << false;
    QTest::newRow("999.95") << QByteArray("999.95") << 999.95 << false;
    QTest::newRow("-0.1") << QByteArray("-0.1") << -0.1 << false;
    QTest::newRow("comma separator") << QByteArray("12,5") << 12.0 << true;
    QTest::newRow("trailing blank") << QByteArray("12.5 ") << 12.5 << true;
    QTest::newRow("exponent") << QByteArray("1e2") << 100.0 << false;
    QTest::newRow("leading blanks") << QByteArray("  7") << 7.0 << false;
    QTest::newRow("d is no exponent here") << QByteArray("1d2") << 1.0 << true;
    QTest::newRow("incomplete exponent") << QByteArray("1e") << 1.0 << true;
    QTest::newRow("incomplete signed exponent") << QByteArray("2E-") << 2.0 << true;
    QTest::newRow("letters") << QByteArray("abc") << 0.0 << true;
    QTest::newRow("infinity word") << QByteArray("inf") << 0.0 << true;
    QTest::newRow("hexadecimal") << QByteArray("0x1A") << 0.0 << true;
    QTest::newRow("overflow") << QByteArray("1e999") << std::numeric_limits<double>::infinity()
                              << false;
}

void NumberRulesTest::convertDecimal() {
    QFETCH(QByteArray, text);
    QFETCH(double, value);
    QFETCH(bool, leftover);
    const DecimalConversion converted = ConvertDecimal(Bytes(text));
    QCOMPARE(converted.leftover, leftover);
    QCOMPARE(converted.value, value);
}

void NumberRulesTest::convertInteger32_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qlonglong>("value");
    QTest::addColumn<bool>("leftover");

    QTest::newRow("empty") << QByteArray("") << 0LL << false;
    QTest::newRow("blanks only") << QByteArray("   ") << 0LL << true;
    QTest::newRow("plus") << QByteArray("+20") << 20LL << false;
    QTest::newRow("trailing blank") << QByteArray("20 ") << 20LL << true;
    QTest::newRow("leading blanks") << QByteArray(" \t3000") << 3000LL << false;
    QTest::newRow("negative") << QByteArray("-50") << -50LL << false;
    QTest::newRow("decimal") << QByteArray("12.5") << 12LL << true;
    QTest::newRow("letters") << QByteArray("abc") << 0LL << true;
    QTest::newRow("largest") << QByteArray("2147483647") << 2147483647LL << false;
    QTest::newRow("clamped high") << QByteArray("2147483648") << 2147483647LL << false;
    QTest::newRow("clamped low") << QByteArray("-2147483649") << -2147483648LL << false;
    QTest::newRow("clamped far") << QByteArray("99999999999999999999999") << 2147483647LL << false;
}

void NumberRulesTest::convertInteger32() {
    QFETCH(QByteArray, text);
    QFETCH(qlonglong, value);
    QFETCH(bool, leftover);
    const IntegerConversion converted = ConvertInteger32(Bytes(text));
    QCOMPARE(converted.value, value);
    QCOMPARE(converted.leftover, leftover);
}

void NumberRulesTest::formatFixed_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<int>("width");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("one decimal rounds") << 12.34 << 1 << 0 << QByteArray("12.3");
    QTest::newRow("%05.1f") << 12.34 << 1 << 5 << QByteArray("012.3");
    QTest::newRow("%05.1f small") << 0.5 << 1 << 5 << QByteArray("000.5");
    QTest::newRow("%05.1f zero") << 0.0 << 1 << 5 << QByteArray("000.0");
    QTest::newRow("%05.1f full") << 999.9 << 1 << 5 << QByteArray("999.9");
    QTest::newRow("%04.2f") << 1.5 << 2 << 4 << QByteArray("1.50");
    QTest::newRow("%.2f") << 9.99 << 2 << 0 << QByteArray("9.99");
    QTest::newRow("binary below half") << 2.675 << 2 << 0 << QByteArray("2.67");
    QTest::newRow("binary above half") << 0.05 << 1 << 0 << QByteArray("0.1");
    QTest::newRow("exact half to even") << 0.25 << 1 << 0 << QByteArray("0.2");
    QTest::newRow("exact half up to even") << 13.5 << 0 << 0 << QByteArray("14");
    QTest::newRow("rounds into a new digit") << 999.95 << 1 << 5 << QByteArray("1000.0");
    QTest::newRow("negative padded after sign") << -1.5 << 1 << 6 << QByteArray("-001.5");
    QTest::newRow("wider than width") << 12345.6 << 1 << 5 << QByteArray("12345.6");
    QTest::newRow("large") << 1e20 << 0 << 0 << QByteArray("100000000000000000000");
}

void NumberRulesTest::formatFixed() {
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(int, width);
    QFETCH(QByteArray, expected);
    QCOMPARE(QByteArray::fromStdString(FormatFixed(value, decimals, width)), expected);
}

void NumberRulesTest::formatInt_data() {
    QTest::addColumn<qlonglong>("value");
    QTest::addColumn<int>("width");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("%03d") << 5LL << 3 << QByteArray("005");
    QTest::newRow("%03d full") << 100LL << 3 << QByteArray("100");
    QTest::newRow("%d") << 50LL << 0 << QByteArray("50");
    QTest::newRow("zero") << 0LL << 0 << QByteArray("0");
    QTest::newRow("negative padded after sign") << -5LL << 3 << QByteArray("-05");
    QTest::newRow("wider than width") << 1234LL << 3 << QByteArray("1234");
    QTest::newRow("smallest") << std::numeric_limits<qlonglong>::min() << 0
                              << QByteArray("-9223372036854775808");
}

void NumberRulesTest::formatInt() {
    QFETCH(qlonglong, value);
    QFETCH(int, width);
    QFETCH(QByteArray, expected);
    QCOMPARE(QByteArray::fromStdString(FormatInt(value, width)), expected);
}

// The C library's own printf, in the C locale, is the reference for rounding.
void NumberRulesTest::formatFixedMatchesCLocalePrintf() {
    ScopedLocale c("C");
    QVERIFY(c.Active());
    QRandomGenerator random(20240611);
    for (int i = 0; i < 20000; ++i) {
        // Values on and near the printed grid, where rounding decisions are made.
        const int decimals = random.bounded(3);
        const double grid = std::pow(10.0, -(decimals + 1));
        const double value = random.bounded(20000) * grid * (random.bounded(2) ? 1.0 : 5.0) +
                             (random.bounded(4) == 0 ? random.generateDouble() * grid : 0.0);
        const int width = random.bounded(7);
        char expected[64];
        std::snprintf(expected, sizeof expected, "%0*.*f", width, decimals, value);
        const std::string actual = FormatFixed(value, decimals, width);
        if (actual != expected)
            QFAIL(qPrintable(QStringLiteral("%1 with %2 decimals: %3 instead of %4")
                                 .arg(value, 0, 'g', 17)
                                 .arg(decimals)
                                 .arg(QString::fromStdString(actual), expected)));
    }
}

void NumberRulesTest::germanLocale_data() {
    QTest::addColumn<QByteArray>("operation");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("rule decimal with point")
        << QByteArray("rule") << QByteArray("12.5") << QByteArray("ok 12.5");
    QTest::newRow("rule decimal with comma")
        << QByteArray("rule") << QByteArray("12,5") << QByteArray("malformed");
    QTest::newRow("rule decimal exponent")
        << QByteArray("rule") << QByteArray("2.5d1") << QByteArray("ok 25.0");
    QTest::newRow("conversion with point")
        << QByteArray("convert") << QByteArray("1.5") << QByteArray("1.5");
    QTest::newRow("conversion with comma")
        << QByteArray("convert") << QByteArray("12,5") << QByteArray("12.0 leftover");
    QTest::newRow("%05.1f") << QByteArray("fixed5.1") << QByteArray("12.34") << QByteArray("012.3");
    QTest::newRow("%04.2f") << QByteArray("fixed4.2") << QByteArray("1.5") << QByteArray("1.50");
    QTest::newRow("%03d") << QByteArray("int3") << QByteArray("7") << QByteArray("007");
}

// Each row runs under de_DE, where the C library itself reads and prints commas.
void NumberRulesTest::germanLocale() {
    QFETCH(QByteArray, operation);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);

    ScopedLocale german(kGerman);
    if (!german.Active())
        QFAIL("the de_DE.UTF-8 locale is not installed");
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    QCOMPARE(QByteArray(probe), QByteArray("1,5")); // the locale really is in effect

    QByteArray actual;
    if (operation == "rule") {
        const DecimalValue parsed = ParseRuleDecimal(Bytes(input));
        actual = parsed.check == NumberCheck::Ok
                     ? "ok " + QByteArray::fromStdString(FormatFixed(parsed.value, 1))
                     : QByteArray("malformed");
    } else if (operation == "convert") {
        const DecimalConversion converted = ConvertDecimal(Bytes(input));
        actual = QByteArray::fromStdString(FormatFixed(converted.value, 1)) +
                 (converted.leftover ? " leftover" : "");
    } else if (operation == "fixed5.1") {
        actual = QByteArray::fromStdString(FormatFixed(ParseRuleDecimal(Bytes(input)).value, 1, 5));
    } else if (operation == "fixed4.2") {
        actual = QByteArray::fromStdString(FormatFixed(ParseRuleDecimal(Bytes(input)).value, 2, 4));
    } else if (operation == "int3") {
        actual = QByteArray::fromStdString(FormatInt(ParseRuleInteger(Bytes(input)).value, 3));
    }
    QCOMPARE(actual, expected);
}

QTEST_APPLESS_MAIN(NumberRulesTest)
#include "tst_numberrules.moc"

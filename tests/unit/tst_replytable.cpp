// Reply classification: every form the unit answers with, and the lines that come close
// to one (a character short or long, the point in the wrong place, a letter for a digit).
#include "link/ReplyTable.h"

#include <QTest>

using vq3::link::ClassifyReply;
using vq3::link::ReplyCode;

namespace {

// "CURE" + program, shutter and intensity digits, ":" and seven steps joined by ",".
QByteArray ProgramReply(const QByteArray& step, int restAdjust = 0) {
    QByteArray line = "CURE211:";
    for (int i = 0; i < 7; ++i)
        line += (i ? "," : "") + step;
    if (restAdjust > 0)
        line += QByteArray(restAdjust, '0');
    else if (restAdjust < 0)
        line.chop(-restAdjust);
    return line;
}

} // namespace

class ReplyTableTest : public QObject {
    Q_OBJECT
private slots:
    void classify_data();
    void classify();
    void terminatorEndsTheTable();
};

void ReplyTableTest::classify_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("code");

    // One line of every form.
    QTest::newRow("INP two chars") << QByteArray("INP05") << 1;
    QTest::newRow("INP three chars") << QByteArray("INP0C1") << 2;
    QTest::newRow("VER") << QByteArray("VER12345678") << 3;
    QTest::newRow("CURE percent") << ProgramReply("050,010.0") << 4;
    QTest::newRow("CURE watts") << ProgramReply("9.99,999.9") << 5;
    QTest::newRow("CNT") << QByteArray("CNT1") << 6;
    QTest::newRow("AT") << QByteArray("AT012.5") << 7;
    QTest::newRow("ATT") << QByteArray("ATT007.0") << 8;
    QTest::newRow("INT") << QByteArray("INT050") << 9;
    QTest::newRow("STP") << QByteArray("STP3") << 10;
    QTest::newRow("LIFOK") << QByteArray("LIFOK0123") << 11;
    QTest::newRow("VQ") << QByteArray("VQ3") << 12;
    QTest::newRow("LAMPERR") << QByteArray("LAMPERR30") << 13;
    QTest::newRow("LAMPOFF") << QByteArray("LAMPOFF50") << 14;
    QTest::newRow("IB") << QByteArray("IB1") << 15;
    QTest::newRow("SRESP") << QByteArray("SRESP0") << 16;
    QTest::newRow("SETT1") << QByteArray("SETT1100") << 17;
    QTest::newRow("SETT2") << QByteArray("SETT2050") << 18;
    QTest::newRow("1STEP") << QByteArray("1STEP") << 19;
    QTest::newRow("7STEP") << QByteArray("7STEP") << 20;
    QTest::newRow("ERR05") << QByteArray("ERR05") << 21;
    QTest::newRow("ERR") << QByteArray("ERR") << 22;
    QTest::newRow("ATTOK") << QByteArray("ATTOK012.5") << 23;

    // INP takes any characters, only the count matters.
    QTest::newRow("INP letters") << QByteArray("INPzz") << 1;
    QTest::newRow("INP blanks") << QByteArray("INP  ") << 1;
    QTest::newRow("INP three letters") << QByteArray("INPxyz") << 2;
    QTest::newRow("VER any eight") << QByteArray("VERv1.2 a.b") << 3;
    QTest::newRow("INP none") << QByteArray("INP") << 0;
    QTest::newRow("INP one") << QByteArray("INP0") << 0;
    QTest::newRow("INP four") << QByteArray("INP0C12") << 0;
    QTest::newRow("VER seven") << QByteArray("VER1234567") << 0;
    QTest::newRow("VER nine") << QByteArray("VER123456789") << 0;
    QTest::newRow("CURE 72") << ProgramReply("050,010.0", -1) << 0;
    QTest::newRow("CURE 74") << ProgramReply("050,010.0", 1) << 0;
    QTest::newRow("CURE 79") << ProgramReply("9.99,999.9", -1) << 0;
    QTest::newRow("CURE 81") << ProgramReply("9.99,999.9", 1) << 0;

    // Digit rows.
    QTest::newRow("CNT none") << QByteArray("CNT") << 0;
    QTest::newRow("CNT two") << QByteArray("CNT12") << 0;
    QTest::newRow("CNT letter") << QByteArray("CNTa") << 0;
    QTest::newRow("CNT query echo") << QByteArray("CNTQ") << 0;
    QTest::newRow("INT two") << QByteArray("INT50") << 0;
    QTest::newRow("INT four") << QByteArray("INT0500") << 0;
    QTest::newRow("INT trailing blank") << QByteArray("INT050 ") << 0;
    QTest::newRow("INT letter") << QByteArray("INT05a") << 0;
    QTest::newRow("INT point") << QByteArray("INT5.0") << 0;
    QTest::newRow("INT sign") << QByteArray("INT-50") << 0;
    QTest::newRow("STP none") << QByteArray("STP") << 0;
    QTest::newRow("STP two") << QByteArray("STP12") << 0;
    QTest::newRow("STP letter") << QByteArray("STPQ") << 0;
    QTest::newRow("LIFOK three") << QByteArray("LIFOK012") << 0;
    QTest::newRow("LIFOK five") << QByteArray("LIFOK01234") << 0;
    QTest::newRow("LIFOK letter") << QByteArray("LIFOK01a3") << 0;
    QTest::newRow("VQ none") << QByteArray("VQ") << 0;
    QTest::newRow("VQ two") << QByteArray("VQ12") << 0;
    QTest::newRow("VQ letter") << QByteArray("VQx") << 0;
    QTest::newRow("LAMPERR one") << QByteArray("LAMPERR3") << 0;
    QTest::newRow("LAMPERR three") << QByteArray("LAMPERR300") << 0;
    QTest::newRow("LAMPERR letter") << QByteArray("LAMPERR3a") << 0;
    QTest::newRow("LAMPERR query") << QByteArray("LAMPERR?") << 0;
    QTest::newRow("LAMPOFF one") << QByteArray("LAMPOFF5") << 0;
    QTest::newRow("LAMPOFF three") << QByteArray("LAMPOFF500") << 0;
    QTest::newRow("LAMPOFF letter") << QByteArray("LAMPOFFx0") << 0;
    QTest::newRow("IB none") << QByteArray("IB") << 0;
    QTest::newRow("IB two") << QByteArray("IB10") << 0;
    QTest::newRow("IB query") << QByteArray("IB?") << 0;
    QTest::newRow("SRESP none") << QByteArray("SRESP") << 0;
    QTest::newRow("SRESP two") << QByteArray("SRESP10") << 0;
    QTest::newRow("SRESP letter") << QByteArray("SRESPh") << 0;
    QTest::newRow("SETT1 two") << QByteArray("SETT110") << 0;
    QTest::newRow("SETT1 four") << QByteArray("SETT11000") << 0;
    QTest::newRow("SETT1 letter") << QByteArray("SETT11o0") << 0;
    QTest::newRow("SETT2 two") << QByteArray("SETT250") << 0;
    QTest::newRow("SETT2 four") << QByteArray("SETT20500") << 0;
    QTest::newRow("SETT3") << QByteArray("SETT3100") << 0;

    // Fixed words.
    QTest::newRow("ERR one digit") << QByteArray("ERR1") << 0;
    QTest::newRow("ERR5") << QByteArray("ERR5") << 0;
    QTest::newRow("ERR05 long") << QByteArray("ERR051") << 0;
    QTest::newRow("ERR0") << QByteArray("ERR0") << 0;
    QTest::newRow("ERR blank") << QByteArray("ERR ") << 0;
    QTest::newRow("1STEPS") << QByteArray("1STEPS") << 0;
    QTest::newRow("1STE") << QByteArray("1STE") << 0;
    QTest::newRow("7STEPS") << QByteArray("7STEPS") << 0;
    QTest::newRow("2STEP") << QByteArray("2STEP") << 0;

    // Decimal rows: three digits, ".", one digit.
    QTest::newRow("AT point at 2") << QByteArray("AT12.50") << 0;
    QTest::newRow("AT point at 4") << QByteArray("AT0125.") << 0;
    QTest::newRow("AT no point") << QByteArray("AT01255") << 0;
    QTest::newRow("AT comma") << QByteArray("AT012,5") << 0;
    QTest::newRow("AT short") << QByteArray("AT12.5") << 0;
    QTest::newRow("AT long") << QByteArray("AT012.50") << 0;
    QTest::newRow("AT letter") << QByteArray("AT0a2.5") << 0;
    QTest::newRow("AT two points") << QByteArray("AT0.2.5") << 0;
    QTest::newRow("AT query echo") << QByteArray("ATQ") << 0;
    QTest::newRow("ATS") << QByteArray("ATS") << 0;
    QTest::newRow("ATT short") << QByteArray("ATT07.0") << 0;
    QTest::newRow("ATT long") << QByteArray("ATT007.00") << 0;
    QTest::newRow("ATT point at 2") << QByteArray("ATT07.00") << 0;
    QTest::newRow("ATT no point") << QByteArray("ATT0070") << 0;
    QTest::newRow("ATT letter") << QByteArray("ATT0x7.0") << 0;
    QTest::newRow("ATTOK short") << QByteArray("ATTOK12.5") << 0;
    QTest::newRow("ATTOK long") << QByteArray("ATTOK012.55") << 0;
    QTest::newRow("ATTOK no point") << QByteArray("ATTOK01255") << 0;
    QTest::newRow("ATTOK point at 2") << QByteArray("ATTOK01.25") << 0;
    QTest::newRow("ATTOK letter") << QByteArray("ATTOK0l2.5") << 0;

    // Lines that match nothing at all.
    QTest::newRow("empty") << QByteArray("") << 0;
    QTest::newRow("echo") << QByteArray(">INP") << 0;
    QTest::newRow("line feed first") << QByteArray("\nINP05") << 0;
    QTest::newRow("lower case") << QByteArray("inp05") << 0;
    QTest::newRow("NG") << QByteArray("NG03") << 0;
}

void ReplyTableTest::classify() {
    QFETCH(QByteArray, line);
    QFETCH(int, code);
    QCOMPARE(static_cast<int>(ClassifyReply(line.constData())), code);
}

// A table walk that ran past the terminator would read rows that are not there.
void ReplyTableTest::terminatorEndsTheTable() {
    const auto& rules = vq3::link::ReplyRules();
    QCOMPARE(rules.back().prefix, "");
    for (std::size_t i = 0; i + 1 < rules.size(); ++i)
        QVERIFY2(rules[i].prefix[0] != '\0', "an empty prefix before the end cuts the table");
    QCOMPARE(static_cast<int>(ClassifyReply(nullptr)), 0);
}

QTEST_APPLESS_MAIN(ReplyTableTest)
#include "tst_replytable.moc"

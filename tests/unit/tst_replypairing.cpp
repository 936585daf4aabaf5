// Which command each of the unit's replies answers or refuses, and what time settles.
#include "link/ReplyPairing.h"

#include <QTest>

using vq3::link::ReplyPairing;
using vq3::link::Settled;
using vq3::link::Settlement;

namespace {

QString Describe(const QList<Settled>& settled) {
    QStringList out;
    for (const Settled& s : settled) {
        const char* how = s.how == Settlement::Answered  ? "A"
                          : s.how == Settlement::Refused ? "R"
                          : s.how == Settlement::Taken   ? "T"
                                                         : "U";
        out << QStringLiteral("%1%2:%3")
                   .arg(how)
                   .arg(s.command.origin)
                   .arg(QString::fromLatin1(s.command.text.left(6)));
    }
    return out.join(' ');
}

} // namespace

class TestReplyPairing : public QObject {
    Q_OBJECT
private slots:
    void settles_data();
    void settles();
};

// Steps: "w<origin> <command>" writes, "r <line>" receives, "t <ms>" lets time pass to ms.
// Settled: A answered, R refused, T taken, U unanswered, then origin and command.
void TestReplyPairing::settles_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("settled");
    auto row = [](const char* name, QStringList steps, const char* settled) {
        QTest::newRow(name) << steps << QString::fromLatin1(settled);
    };
    row("an answer settles what was written before its query", {"w0 L1", "w1 INTQ", "r INT050"},
        "T0:L1 A1:INTQ");
    row("a read never takes an older query's answer",
        {"w1 INTQ", "w2 INTQ", "r INT050", "r INT051"}, "A1:INTQ A2:INTQ");
    row("an answer gives up the queries of other kinds before it",
        {"w1 INP", "w2 INTQ", "r INT050"}, "U1:INP A2:INTQ");
    row("ERR goes to the line the unit does not know", {"w0 L1", "w2 XYZ", "r ERR"},
        "T0:L1 R2:XYZ");
    row("a known keyword with a wrong argument is not known",
        {"w0 INTQ", "w2 INT5", "r INT050", "r ERR"}, "A0:INTQ R2:INT5");
    row("ERR with only known commands goes to the oldest", {"w0 INP", "w1 L1", "r ERR"}, "R0:INP");
    row("NG03 passes over the lamp command", {"w0 L1", "w2 S1", "r NG03"}, "T0:L1 R2:S1");
    row("NG01 goes to the lamp command after an answered read",
        {"w1 INTQ", "w0 L1", "r INT050", "r NG01"}, "A1:INTQ R0:L1");
    row("ERR05 goes to a program command",
        {"w1 LIF", "w3 CURE311:050,010.0", "r LIFOK0001", "r ERR05"}, "A1:LIF R3:CURE31");
    row("a refusal no command can draw goes to nobody", {"w1 INP", "r NG01", "r INP05"}, "A1:INP");
    row("echoes settle nothing", {"w1 INP", "r >INP", "r INP05"}, "A1:INP");
    row("an answer nobody asked for settles nothing", {"w1 L1", "r INT050", "t 100"}, "");
    // Time counts from the echo: lines ahead of it on the line do not make a reply late.
    row("no refusal within 300 ms of its echo: taken",
        {"w0 L1", "t 100", "r >L1", "t 350", "t 450"}, "T0:L1");
    row("a refusal behind other lines reaches its command", {"w2 S1", "t 900", "r >S1", "r NG03"},
        "R2:S1");
    row("a refusal after that goes to nobody", {"w2 S1", "r >S1", "t 400", "r NG03"}, "T2:S1");
    row("a query is given up 2 s after its echo", {"w1 INTQ", "r >INTQ", "t 1900", "t 2100"},
        "U1:INTQ");
    row("an echo cut into a received line counts from the next one",
        {"w1 L1", "w2 L0", "r >L0", "t 400"}, "T1:L1 T2:L0");
    // 86 bytes take 90 ms at 9600 baud; the L1 behind them leaves after them.
    row("without any echo, 10 s from its time on the line",
        {"w1 CURE211:" + QString(75, 'x'), "w2 L1", "t 10390"}, "T1:CURE21");
}

void TestReplyPairing::settles() {
    QFETCH(QStringList, steps);
    QFETCH(QString, settled);
    ReplyPairing pairing;
    QList<Settled> all;
    qint64 now = 0;
    for (const QString& step : steps) {
        const QString arg = step.section(' ', 1);
        if (step.startsWith('w'))
            pairing.Written(step.section(' ', 0, 0).mid(1).toULongLong(), arg.toLatin1(), now);
        else if (step.startsWith('r'))
            all += pairing.Received(arg.toLatin1().constData(), now);
        else
            all += pairing.Expire(now = arg.toLongLong());
    }
    QCOMPARE(Describe(all), settled);
}

QTEST_GUILESS_MAIN(TestReplyPairing)
#include "tst_replypairing.moc"

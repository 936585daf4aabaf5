// The Terminal window: the last 100 view lines are kept, wrapped pieces counting as lines,
// the view stays at the end, traffic that arrives while hidden is there when shown, and the
// keys that send.
#include "WindowRig.h"

#include "ui/CTrafficView.h"

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>

using vq3::test::FindControl;
using vq3::test::WindowRig;
using vq3::ui::CTrafficView;
namespace idm = vq3::resources::idm;
namespace terminal = vq3::resources::idc::terminal;

namespace {

int ViewLines(QPlainTextEdit* view) {
    int lines = 0;
    for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next()) {
        view->document()->documentLayout()->blockBoundingRect(block);
        lines += qMax(1, block.layout()->lineCount());
    }
    return lines;
}

CTrafficView* View(const WindowRig& rig) {
    return FindControl<CTrafficView>(rig.Terminal(), terminal::TrafficView);
}
QLineEdit* CommandField(const WindowRig& rig) {
    return FindControl<QLineEdit>(rig.Terminal(), terminal::CommandField);
}

} // namespace

class TerminalTest : public QObject {
    Q_OBJECT
private slots:
    void lineTrafficReachesTheHiddenView();
    void keepsLastHundredLines_data();
    void keepsLastHundredLines();
    void endlessLineStaysBounded_data();
    void endlessLineStaysBounded();
    void escapeAndCloseBox();
    void keyboardSends_data();
    void keyboardSends();
};

void TerminalTest::lineTrafficReachesTheHiddenView() {
    WindowRig rig;
    rig.device.silent = true;
    rig.Arrive("INP05");
    QVERIFY(rig.ShowTool(idm::Terminal));
    QTRY_VERIFY_WITH_TIMEOUT(View(rig)->toPlainText().contains("INP05"),
                             CTrafficView::kRedrawMs * 5);
}

// The view's own bound, fed as the channel feeds it, one tick's chunk at a time.
void TerminalTest::keepsLastHundredLines_data() {
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<int>("lineLength");
    QTest::addColumn<bool>("shownWhileFed");
    QTest::newRow("150 short lines, shown") << 150 << 10 << true;
    QTest::newRow("150 short lines, hidden") << 150 << 10 << false;
    QTest::newRow("80 wrapped lines, shown") << 80 << 120 << true;
    QTest::newRow("80 wrapped lines, hidden") << 80 << 120 << false;
    QTest::newRow("99 short lines stay whole") << 99 << 5 << true;
}

void TerminalTest::keepsLastHundredLines() {
    QFETCH(int, lineCount);
    QFETCH(int, lineLength);
    QFETCH(bool, shownWhileFed);
    WindowRig rig(0);
    QWidget* terminal = rig.Terminal();
    CTrafficView* view = View(rig);
    if (shownWhileFed)
        QVERIFY(rig.ShowTool(idm::Terminal));
    for (int i = 0; i < lineCount; ++i) {
        // One tick's chunk: a numbered line followed by CR LF, as the channel passes it on.
        QByteArray line = QByteArray::number(i).rightJustified(4, '0') + ':';
        line += QByteArray(lineLength, 'x');
        view->AppendTraffic(line.append("\r\n").constData());
    }
    if (!shownWhileFed)
        QVERIFY(rig.ShowTool(idm::Terminal));
    QVERIFY(terminal->isVisible());
    // Drawn within the redraw delay.
    QTRY_VERIFY_WITH_TIMEOUT(
        view->toPlainText().contains(QString::number(lineCount - 1).rightJustified(4, '0') + ':'),
        CTrafficView::kRedrawMs * 5);
    const int lines = ViewLines(view);
    QVERIFY2(lines <= CTrafficView::kMaxLines, qPrintable(QString::number(lines)));
    const QString text = view->toPlainText();
    // The newest line is complete and the view is scrolled to the end.
    const QString last =
        QString::number(lineCount - 1).rightJustified(4, '0') + ':' + QString(lineLength, 'x');
    QVERIFY(text.contains(last));
    QTRY_COMPARE(view->verticalScrollBar()->value(), view->verticalScrollBar()->maximum());
    if (lineCount < CTrafficView::kMaxLines && lineLength < 20)
        QVERIFY(text.startsWith("0000:"));
    else
        QVERIFY(!text.contains("0000:"));
}

void TerminalTest::endlessLineStaysBounded_data() {
    QTest::addColumn<bool>("shownWhileFed");
    QTest::newRow("hidden") << false;
    QTest::newRow("shown") << true;
}

// A unit at the wrong speed: 60 s of text at 10 kB/s that never ends a line, 200 characters a
// tick. What waits to be drawn stays small, and showing or drawing it stays quick.
void TerminalTest::endlessLineStaysBounded() {
    QFETCH(bool, shownWhileFed);
    WindowRig rig(0);
    CTrafficView* view = View(rig);
    if (shownWhileFed)
        QVERIFY(rig.ShowTool(idm::Terminal));
    const QByteArray chunk = QByteArray("0123456789").repeated(20);
    QElapsedTimer clock;
    clock.start();
    for (int tick = 1; tick <= 3000; ++tick) {
        view->AppendTraffic(chunk.constData());
        QVERIFY2(view->PendingLength() < 100000, qPrintable(QString::number(tick)));
        if (shownWhileFed && tick % 10 == 0)
            view->FlushTraffic(); // as the redraw timer does every 200 ms
    }
    if (!shownWhileFed)
        QVERIFY(rig.ShowTool(idm::Terminal));
    view->FlushTraffic();
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(ViewLines(view) <= CTrafficView::kMaxLines);
    QVERIFY(view->toPlainText().endsWith(QString::fromLatin1(chunk)));
}

void TerminalTest::escapeAndCloseBox() {
    WindowRig rig(0);
    QWidget* terminal = rig.Terminal();
    QAction* item = rig.Action(idm::Terminal);
    QVERIFY(rig.ShowTool(idm::Terminal));
    QApplication::setActiveWindow(terminal);
    QTest::keyClick(CommandField(rig), Qt::Key_Escape);
    QVERIFY(terminal->isVisible());
    QVERIFY(item->isChecked());
    terminal->close();
    QVERIFY(!terminal->isVisible());
    QVERIFY(!item->isChecked());
}

void TerminalTest::keyboardSends_data() {
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("focusId");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("Return in the field sends once")
        << true << "LAMPERR?" << int(terminal::CommandField) << QByteArray("LAMPERR?\r");
    QTest::newRow("an empty field sends a lone CR")
        << true << "" << int(terminal::CommandField) << QByteArray("\r");
    QTest::newRow("raw text goes byte for byte")
        << true << "ab c?9" << int(terminal::CommandField) << QByteArray("ab c?9\r");
    QTest::newRow("Return on Send presses it")
        << true << "INTQ" << int(terminal::Send) << QByteArray("INTQ\r");
    QTest::newRow("Return in the view does nothing")
        << true << "INTQ" << int(terminal::TrafficView) << QByteArray();
    QTest::newRow("link down sends nothing")
        << false << "INTQ" << int(terminal::CommandField) << QByteArray();
}

void TerminalTest::keyboardSends() {
    QFETCH(bool, connected);
    QFETCH(QString, command);
    QFETCH(int, focusId);
    QFETCH(QByteArray, written);
    WindowRig rig(connected ? 1 : 0);
    rig.device.silent = true;
    QVERIFY(rig.ShowTool(idm::Terminal));
    QWidget* terminal = rig.Terminal();
    QApplication::setActiveWindow(terminal);
    CommandField(rig)->setText(command);
    const QString viewBefore = View(rig)->toPlainText();
    QTest::keyClick(FindControl(terminal, focusId), Qt::Key_Return);
    QCOMPARE(rig.device.written, written);
    QCOMPARE(CommandField(rig)->text(), command); // the field keeps its text
    QVERIFY(terminal->isVisible());
    if (!connected) {
        QTest::qWait(60);
        QCOMPARE(View(rig)->toPlainText(), viewBefore);
    } else if (!written.isEmpty()) {
        // The echo shows in the view on the next ticks.
        QTRY_VERIFY(View(rig)->toPlainText().contains(">" + command));
    }
}

QTEST_MAIN(TerminalTest)
#include "tst_terminal.moc"

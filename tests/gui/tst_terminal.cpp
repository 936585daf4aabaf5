// The Terminal window: the last 100 view lines are kept, wrapped pieces counting as lines,
// the view stays at the end, and traffic that arrives while hidden is there when shown.
#include "FakeSerialDevice.h"
#include "ScriptedPrompter.h"

#include "app/Profile.h"
#include "ui/CControllerDlg.h"
#include "ui/CTerminalDlg.h"
#include "ui/CTrafficView.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

using vq3::ui::CControllerDlg;
using vq3::ui::CTerminalDlg;
using vq3::ui::CTrafficView;

namespace {

int ViewLines(QPlainTextEdit* view) {
    int lines = 0;
    for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next()) {
        view->document()->documentLayout()->blockBoundingRect(block);
        lines += qMax(1, block.layout()->lineCount());
    }
    return lines;
}

} // namespace

class TerminalTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void keepsLastHundredLines_data();
    void keepsLastHundredLines();
    void endlessLineStaysBounded_data();
    void endlessLineStaysBounded();
    void escapeAndCloseBox();
    void keyboardSends_data();
    void keyboardSends();

private:
    QTemporaryDir* m_dir = nullptr;
    vq3::app::Profile* m_profile = nullptr;
    vq3::test::ScriptedPrompter* m_prompter = nullptr;
    CControllerDlg* m_dlg = nullptr;
};

void TerminalTest::init() {
    m_dir = new QTemporaryDir;
    QFile file(m_dir->filePath("VQ3_CNT.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[INIT]\r\nPORT=0\r\n");
    file.close();
    m_profile = new vq3::app::Profile(m_dir->filePath("VQ3_CNT.ini"));
    m_prompter = new vq3::test::ScriptedPrompter;
    m_dlg = new CControllerDlg(*m_profile);
    m_dlg->SetUpDialog();
}

void TerminalTest::cleanup() {
    delete m_dlg;
    delete m_prompter;
    delete m_profile;
    delete m_dir;
}

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
    CTerminalDlg* terminal = m_dlg->Terminal();
    if (shownWhileFed)
        m_dlg->OnMenuTerminal();
    for (int i = 0; i < lineCount; ++i) {
        // One tick's chunk: a numbered line followed by CR LF, as the channel passes it on.
        QByteArray line = QByteArray::number(i).rightJustified(4, '0') + ':';
        line += QByteArray(lineLength, 'x');
        terminal->AppendTraffic(line.append("\r\n").constData());
    }
    if (!shownWhileFed)
        m_dlg->OnMenuTerminal();
    QVERIFY(terminal->isVisible());
    QPlainTextEdit* view = terminal->TrafficView();
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
    CTerminalDlg* terminal = m_dlg->Terminal();
    CTrafficView* view = terminal->TrafficView();
    if (shownWhileFed)
        m_dlg->OnMenuTerminal();
    const QByteArray chunk = QByteArray("0123456789").repeated(20);
    QElapsedTimer clock;
    clock.start();
    for (int tick = 1; tick <= 3000; ++tick) {
        terminal->AppendTraffic(chunk.constData());
        QVERIFY2(view->PendingLength() < 100000, qPrintable(QString::number(tick)));
        if (shownWhileFed && tick % 10 == 0)
            view->FlushTraffic(); // as the redraw timer does every 200 ms
    }
    if (!shownWhileFed)
        m_dlg->OnMenuTerminal();
    view->FlushTraffic();
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(ViewLines(view) <= CTrafficView::kMaxLines);
    QVERIFY(view->toPlainText().endsWith(QString::fromLatin1(chunk)));
}

void TerminalTest::escapeAndCloseBox() {
    CTerminalDlg* terminal = m_dlg->Terminal();
    QAction* item = m_dlg->MenuAction(vq3::ui::idm::Terminal);
    m_dlg->OnMenuTerminal();
    QApplication::setActiveWindow(terminal);
    QTest::keyClick(terminal->CommandField(), Qt::Key_Escape);
    QVERIFY(terminal->isVisible());
    QVERIFY(item->isChecked());
    terminal->close();
    QVERIFY(!terminal->isVisible());
    QVERIFY(!item->isChecked());
    QVERIFY(!m_dlg->Terminal()->IsShown());
}

void TerminalTest::keyboardSends_data() {
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("focusId"); // 1002 field, 1001 Send, 1000 view
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("Return in the field sends once")
        << true << "LAMPERR?" << 1002 << QByteArray("LAMPERR?\r");
    QTest::newRow("an empty field sends a lone CR") << true << "" << 1002 << QByteArray("\r");
    QTest::newRow("raw text goes byte for byte")
        << true << "ab c?9" << 1002 << QByteArray("ab c?9\r");
    QTest::newRow("Return on Send presses it") << true << "INTQ" << 1001 << QByteArray("INTQ\r");
    QTest::newRow("Return in the view does nothing") << true << "INTQ" << 1000 << QByteArray();
    QTest::newRow("link down sends nothing") << false << "INTQ" << 1002 << QByteArray();
}

void TerminalTest::keyboardSends() {
    QFETCH(bool, connected);
    QFETCH(QString, command);
    QFETCH(int, focusId);
    QFETCH(QByteArray, written);
    vq3::test::FakeSerialDevice device;
    QFile file(m_dir->filePath("VQ3_CNT.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(connected ? "[INIT]\r\nPORT=1\r\n" : "[INIT]\r\nPORT=0\r\n");
    file.close();
    CControllerDlg dlg(*m_profile, &device);
    dlg.SetUpDialog();
    dlg.OnMenuTerminal();
    CTerminalDlg* terminal = dlg.Terminal();
    QApplication::setActiveWindow(terminal);
    terminal->CommandField()->setText(command);
    const QByteArray before = device.written;
    const QString viewBefore = terminal->TrafficView()->toPlainText();
    QTest::keyClick(terminal->Control(focusId), Qt::Key_Return);
    QCOMPARE(device.written.mid(before.size()), written);
    QCOMPARE(terminal->CommandField()->text(), command); // the field keeps its text
    QVERIFY(terminal->isVisible());
    if (!connected) {
        QTest::qWait(60);
        QCOMPARE(terminal->TrafficView()->toPlainText(), viewBefore);
    } else if (!written.isEmpty()) {
        // The echo shows in the view on the next ticks.
        QTRY_VERIFY(terminal->TrafficView()->toPlainText().contains(">" + command));
    }
}

QTEST_MAIN(TerminalTest)
#include "tst_terminal.moc"

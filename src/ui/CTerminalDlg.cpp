#include "ui/CTerminalDlg.h"

#include "resources/Layouts.h"
#include "ui/CControllerDlg.h"
#include "ui/DialogBuilder.h"
#include "ui/Prompter.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

namespace vq3::ui {

namespace {

// "FixedSys" where it exists, else the system's fixed-pitch font, 12 pixels high.
QFont TerminalFont() {
    QFont font(QStringLiteral("FixedSys"));
    font.setPixelSize(12);
    font.setStyleHint(QFont::TypeWriter);
    if (!QFontInfo(font).fixedPitch()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPixelSize(12);
    }
    return font;
}

} // namespace

CTerminalDlg::CTerminalDlg() : QDialog(nullptr) {
    setObjectName(QStringLiteral("CTerminalDlg"));
    const resources::WindowLayout& layout = resources::Layout(135);
    setWindowTitle(QString::fromLatin1(layout.caption));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    m_controls = BuildControls(this, layout);

    const QFont font = TerminalFont();
    QPlainTextEdit* view = TrafficView();
    view->setFont(font);
    CommandField()->setFont(font);
    view->setAccessibleName(QStringLiteral("Traffic"));
    CommandField()->setAccessibleName(QStringLiteral("Command"));
    QPalette palette = view->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    view->setPalette(palette);
    view->document()->setUndoRedoEnabled(false);

    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kRedrawMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &CTerminalDlg::FlushTraffic);

    auto* send = static_cast<QPushButton*>(Control(1001));
    send->setAutoDefault(false);
    connect(send, &QPushButton::clicked, this, &CTerminalDlg::OnSend);
    CommandField()->installEventFilter(this);
    send->installEventFilter(this);
    view->installEventFilter(this);
}

CTerminalDlg::~CTerminalDlg() = default;

void CTerminalDlg::SetMainWindow(CControllerDlg* owner) {
    m_owner = owner;
}

QPlainTextEdit* CTerminalDlg::TrafficView() const {
    return static_cast<QPlainTextEdit*>(Control(1000));
}

QLineEdit* CTerminalDlg::CommandField() const {
    return static_cast<QLineEdit*>(Control(1002));
}

QString CTerminalDlg::GetCommandText() const {
    return CommandField()->text();
}

void CTerminalDlg::OnSend() {
    if (m_owner)
        m_owner->SendCommand(CommandField()->text().toLatin1());
}

void CTerminalDlg::ShowError(const QString& text) {
    prompter().ShowMessage(this, text, QStringLiteral("Error"));
}

namespace {

// Lines a block takes in the view, wrapped pieces included.
int VisualLines(QPlainTextEdit* view, const QTextBlock& block) {
    QTextLayout* layout = block.layout();
    if (!layout || layout->lineCount() == 0)
        view->document()->documentLayout()->blockBoundingRect(block);
    return layout ? qMax(1, layout->lineCount()) : 1;
}

int CountLines(QPlainTextEdit* view) {
    int lines = 0;
    for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next())
        lines += VisualLines(view, block);
    return lines;
}

} // namespace

void CTerminalDlg::AppendTraffic(const char* text) {
    // The channel turns each CR into CR LF; the view keeps paragraphs, so CR LF is a line
    // break and a stray CR or LF shows nothing.
    QString piece = QString::fromLatin1(text);
    piece.replace(QLatin1String("\r\n"), QLatin1String("\x01"));
    piece.remove(QLatin1Char('\r'));
    piece.remove(QLatin1Char('\n'));
    m_pendingBreaks += piece.count(QLatin1Char('\x01'));
    piece.replace(QLatin1Char('\x01'), QChar::ParagraphSeparator);
    m_pending += piece;

    // Only the last 100 lines can ever be seen: older pending ones are dropped at once.
    if (m_pendingBreaks > 2 * kMaxLines) {
        qsizetype cut = 0;
        for (int drop = m_pendingBreaks - kMaxLines; drop > 0; --drop)
            cut = m_pending.indexOf(QChar::ParagraphSeparator, cut) + 1;
        m_pending.remove(0, cut);
        m_pendingBreaks = kMaxLines;
    }
    // A stream of replies is drawn a few times a second, not on every tick; a hidden view
    // is brought up to date when it is shown.
    if (isVisible() && !m_flushTimer.isActive())
        m_flushTimer.start();
}

void CTerminalDlg::FlushTraffic() {
    m_flushTimer.stop();
    if (m_pending.isEmpty())
        return;
    QPlainTextEdit* view = TrafficView();
    view->setUpdatesEnabled(false);
    QTextCursor cursor(view->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(m_pending);
    m_pending.clear();
    m_pendingBreaks = 0;
    TrimToLimit();
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    view->setUpdatesEnabled(true);
}

void CTerminalDlg::TrimToLimit() {
    // Trim from the front, a view line at a time, until at most 100 lines remain.
    QPlainTextEdit* view = TrafficView();
    while (CountLines(view) > kMaxLines) {
        const QTextBlock first = view->document()->begin();
        QTextCursor front(first);
        QTextLayout* layout = first.layout();
        if (layout && layout->lineCount() > 1)
            front.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor,
                               layout->lineAt(0).textLength());
        else
            front.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
        front.removeSelectedText();
    }
}

void CTerminalDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Lines are wrapped to the view's width only once it is laid out on screen.
    FlushTraffic();
    QPlainTextEdit* view = TrafficView();
    TrimToLimit();
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
}

bool CTerminalDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape)
        return true;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (watched == Control(1001)) {
            static_cast<QPushButton*>(Control(1001))->click();
            return true;
        }
        if (watched == CommandField())
            OnSend();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CTerminalDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CTerminalDlg::reject() {
    // Only the close box hides the window; Escape does not reach here.
    if (m_owner) {
        m_owner->SetMenuCheck(idm::Terminal, m_owner->m_bTerminalShown);
        m_owner->m_bTerminalShown = false;
    }
    hide();
}

void CTerminalDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}

void CTerminalDlg::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    if (m_owner && isVisible() && !isMinimized())
        m_owner->m_ptTerminal = frameGeometry().topLeft();
}

} // namespace vq3::ui

#include "ui/CTrafficView.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetrics>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

#include <algorithm>

namespace vq3::ui {

namespace {

// Lines a block takes in the view, wrapped pieces included.
int VisualLines(QPlainTextEdit* view, const QTextBlock& block) {
    QTextLayout* layout = block.layout();
    if (!layout || layout->lineCount() == 0)
        view->document()->documentLayout()->blockBoundingRect(block);
    return layout ? std::max(1, layout->lineCount()) : 1;
}

} // namespace

CTrafficView::CTrafficView(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setFrameStyle(QFrame::NoFrame);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    document()->setUndoRedoEnabled(false);
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kRedrawMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &CTrafficView::FlushTraffic);
}

void CTrafficView::AppendTraffic(const char* text) {
    // The channel turns each CR into CR LF; the view keeps paragraphs, so CR LF is a line
    // break and a stray CR or LF shows nothing.
    QString piece = QString::fromLatin1(text);
    piece.replace(QLatin1String("\r\n"), QLatin1String("\x01"));
    piece.remove(QLatin1Char('\r'));
    piece.remove(QLatin1Char('\n'));
    m_pendingBreaks += static_cast<int>(piece.count(QLatin1Char('\x01')));
    piece.replace(QLatin1Char('\x01'), QChar::ParagraphSeparator);
    m_pending += piece;
    TrimPending();
    // A stream of replies is drawn a few times a second, not on every tick; a hidden view
    // is brought up to date when it is shown.
    if (isVisible() && !m_flushTimer.isActive())
        m_flushTimer.start();
}

// Only the last 100 lines can ever be seen: older waiting lines, and the oldest part of a
// line longer than 100 view lines can hold, are dropped at once.
void CTrafficView::TrimPending() {
    if (m_pendingBreaks > 2 * kMaxLines) {
        qsizetype cut = 0;
        for (int drop = m_pendingBreaks - kMaxLines; drop > 0; --drop)
            cut = m_pending.indexOf(QChar::ParagraphSeparator, cut) + 1;
        m_pending.remove(0, cut);
        m_pendingBreaks = kMaxLines;
    }
    const qsizetype capacity = VisibleCapacity();
    if (m_pending.size() > 2 * capacity) {
        const qsizetype cut = m_pending.size() - capacity;
        m_pendingBreaks -=
            static_cast<int>(QStringView(m_pending).left(cut).count(QChar::ParagraphSeparator));
        m_pending.remove(0, cut);
    }
}

// A view line holds at most its width in the narrowest printable character; twice that is
// a safe bound whatever the font.
qsizetype CTrafficView::VisibleCapacity() {
    if (m_capacity > 0)
        return m_capacity;
    const QFontMetrics metrics(font());
    int narrowest = metrics.averageCharWidth();
    for (char c = '!'; c <= '~'; ++c)
        narrowest = std::min(narrowest, metrics.horizontalAdvance(QLatin1Char(c)));
    const int perLine =
        std::max(1, std::max(viewport()->width(), width()) / std::max(1, narrowest));
    m_capacity = qsizetype(kMaxLines) * (2 * perLine + 1);
    return m_capacity;
}

void CTrafficView::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    m_capacity = 0;
}

void CTrafficView::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        m_capacity = 0;
}

void CTrafficView::FlushTraffic() {
    m_flushTimer.stop();
    if (m_pending.isEmpty())
        return;
    setUpdatesEnabled(false);
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(m_pending);
    m_pending.clear();
    m_pendingBreaks = 0;
    TrimToLimit();
    ScrollToEnd();
    setUpdatesEnabled(true);
}

int CTrafficView::ViewLines() {
    int lines = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        lines += VisualLines(this, block);
    return lines;
}

// Cuts the view lines beyond 100 from the front in one go; a cut inside a long line may make
// its rest wrap differently, so it is checked again.
void CTrafficView::TrimToLimit() {
    for (int excess = ViewLines() - kMaxLines; excess > 0; excess = ViewLines() - kMaxLines) {
        int cut = 0;
        for (QTextBlock block = document()->begin(); block.isValid() && excess > 0;
             block = block.next()) {
            const int lines = VisualLines(this, block);
            if (lines <= excess) {
                excess -= lines;
                cut = block.position() + block.length();
            } else {
                const QTextLine last = block.layout()->lineAt(excess - 1);
                cut = block.position() + last.textStart() + last.textLength();
                excess = 0;
            }
        }
        if (cut <= 0)
            break;
        QTextCursor front(document());
        front.setPosition(std::min(cut, document()->characterCount() - 1), QTextCursor::KeepAnchor);
        front.removeSelectedText();
    }
}

void CTrafficView::ScrollToEnd() {
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void CTrafficView::showEvent(QShowEvent* event) {
    QPlainTextEdit::showEvent(event);
    // Lines are wrapped to the view's width only once it is laid out on screen.
    FlushTraffic();
    TrimToLimit();
    ScrollToEnd();
}

} // namespace vq3::ui

#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QTimer>

namespace vq3::ui {

// The Terminal's read-only view of the line traffic. It keeps the last 100 view lines (the
// wrapped pieces of a long line counting as lines) and stays scrolled to the end.
//
// Traffic comes a tick at a time; it is drawn at most every 200 ms, and while the view is
// hidden it only waits. Whatever arrives, what waits is bounded by what 100 lines can show,
// so a unit that never sends a CR cannot grow it: the oldest part of an endless line goes the
// way old lines go.
class CTrafficView : public QPlainTextEdit {
    Q_OBJECT
    Q_PROPERTY(int viewLines READ ViewLines)
    Q_PROPERTY(int pendingLength READ PendingLength)
public:
    static constexpr int kMaxLines = 100;
    static constexpr int kRedrawMs = 200; // longest delay before new traffic is drawn

    explicit CTrafficView(QWidget* parent = nullptr);

    // One tick's characters, CR already turned into CR LF.
    void AppendTraffic(const char* text);
    // Draws the traffic that is waiting now.
    void FlushTraffic();
    // Lines the view shows, wrapped pieces included.
    int ViewLines();
    int PendingLength() const { return static_cast<int>(m_pending.size()); }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void TrimPending();
    void TrimToLimit();
    void ScrollToEnd();
    // The most characters 100 view lines can hold; measured once per size and font.
    qsizetype VisibleCapacity();

    QString m_pending; // traffic not yet in the view
    int m_pendingBreaks = 0;
    qsizetype m_capacity = 0; // 0 until measured
    QTimer m_flushTimer;
};

} // namespace vq3::ui

#pragma once

// Serves a SimulatedUnit on a pseudo-terminal, so the controller opens the slave side like a
// serial port (directly or through a symbolic link such as COM1). Event-driven: reads and
// writes wait on socket notifiers, delayed and split replies on one timer.
//
// The link keeps a descriptor of the slave open itself, so the master never reports a hang-up
// while no controller has the port open, and the line settings (raw, 9600 8N1) stay put.
// With the stream option the unit also chatters on its own, a whole line at a time at the
// line's pace, on a timer of its own; what the controller does not take is lost, as on a wire.
//
// Drop() closes both: the controller's descriptor then reports a hang-up, and the symbolic
// link is removed, like a device name that goes away with its adapter. Restore() plugs it
// back in: a new pseudo-terminal behind the same link. A stalled link stops reading, so the
// controller's writes pile up in the terminal's buffer as with a hung adapter.

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include "CommandAssembler.h"
#include "LineStream.h"
#include "ReplyShaper.h"
#include "SimulatedUnit.h"

#include <deque>
#include <optional>

class QSocketNotifier;

namespace vq3::sim {

class PtyLink : public QObject {
    Q_OBJECT
public:
    PtyLink(SimulatedUnit& unit, LinkOptions o = {}, QObject* parent = nullptr);
    ~PtyLink() override;

    // Opens a new pseudo-terminal (raw, 9600 8N1) and, when linkPath is given, makes linkPath
    // a symbolic link to its slave, replacing an existing symbolic link there (but never a
    // file or folder). False on failure or when already serving.
    bool Start(const QString& linkPath = QString());
    // The slave's path while serving, else empty.
    QString SlavePath() const { return m_slavePath; }
    QString LinkPath() const { return m_linkPath; }
    bool Serving() const { return m_master >= 0; }

    // The line is gone: the pseudo-terminal is closed, unsent replies are lost and the
    // symbolic link is removed (if it still points to this link's slave).
    void Drop();
    // The unit is back: a new pseudo-terminal, the symbolic link pointing to it again.
    // True when serving afterwards. The drop-after time does not run again.
    bool Restore();
    // Drop() and forget the link path: what the owner does before it goes away.
    void Stop();

    QByteArray Received() const { return m_received; }
    LinkOptions& Options() { return m_options; }

signals:
    void bytesReceived(QByteArray bytes);
    void commandReceived(QByteArray line);
    // The unit's answer to a command, before any line fault is applied.
    void replied(QByteArray reply);

private:
    bool OpenPty();
    void ClosePty();
    bool PointLink();
    void RemoveLink();
    void OnReadable();
    void OnWritable();
    void OnDue();
    void Queue(const QList<TimedBytes>& pieces);
    void Flush();
    void OnStreamTick();

    SimulatedUnit& m_unit;
    LinkOptions m_options;
    ReplyShaper m_shaper;
    CommandAssembler m_assembler;

    int m_master = -1;
    int m_slaveHold = -1;
    QString m_slavePath;
    QString m_linkPath;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;

    QElapsedTimer m_clock;
    struct Pending {
        qint64 due;
        QByteArray bytes;
    };
    std::deque<Pending> m_queue; // in due order
    qint64 m_lastDue = 0;
    QTimer m_dueTimer;
    QByteArray m_output; // due bytes the line has not taken yet

    std::optional<LineStream> m_stream;
    QTimer m_streamDelay;
    QTimer m_streamTick;
    QElapsedTimer m_streamClock;

    QTimer m_dropTimer;
    QTimer m_replugTimer;
    QTimer m_stallTimer;
    bool m_dropArmed = true; // the first command starts the drop and stall timers
    bool m_stalled = false;
    QByteArray m_received;
};

} // namespace vq3::sim

#pragma once

#include <QObject>

class QSocketNotifier;

namespace vq3::ctl {

// SIGINT (Ctrl-C) and SIGTERM as a Qt signal: the handler only writes the signal's number to a
// pipe that the event loop watches, so that vq3ctl ends between two events (a file being
// written is written to its end) and never inside a handler.
class CtlSignals : public QObject {
    Q_OBJECT
public:
    explicit CtlSignals(QObject* parent = nullptr);
    ~CtlSignals() override;

    // False when the pipe could not be made: the signals then keep their default action.
    bool Install();

signals:
    void caught(int signalNumber);

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace vq3::ctl

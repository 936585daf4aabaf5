#pragma once

#include "ui/CControllerDlg.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace vq3::ui {

// The unit settings exchanges wait with the event loop running, so that the reception tick
// fills UnitSettings, but sleep between events instead of spinning.
template <typename Done> int CControllerDlg::WaitFor(int ms, Done done) {
    QDeadlineTimer deadline(ms);
    QTimer wake; // wakes the loop at the deadline even when nothing else happens
    wake.setSingleShot(true);
    wake.start(ms + 1);
    while (true) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (m_bAbortRequested)
            return -1;
        if (deadline.hasExpired())
            return 1; // a set completed after the limit counts as a time-out too
        if (done())
            return 0;
    }
}

} // namespace vq3::ui

#pragma once

// The unit settings exchange as it goes on the wire, for the tests with and without a window.

#include <QByteArray>
#include <QList>

namespace vq3::test {

// The seven settings queries, in the order the exchange sends them.
inline const QList<QByteArray> kSettingsQueries = {"PROG?",  "LAMPERR?", "LAMPOFF?", "IB?",
                                                   "SRESP?", "SETT1?",   "SETT2?"};
// The setting commands of the 7-step record {7, 30, 50, 1, 1, 50, 50}, the simulated unit's
// own values.
inline const QList<QByteArray> kSettingsSets7 = {"CNT1", "PROG_7STEP", "LAMPERR30", "LAMPOFF50",
                                                 "IB1",  "SRESP1",     "SETT1050",  "SETT2050"};

} // namespace vq3::test

#pragma once

#include "FakeSerialDevice.h"
#include "SimulatedUnit.h"
#include "control/UnitController.h"

#include <QTest>

namespace vq3::test {

// The unit's object on COM1 with the simulated unit behind the in-memory line, no window.
// The status query of the connection has been answered and forgotten.
struct UnitRig {
    explicit UnitRig(int statusWord = 0) : device(&unit), controller(&device) {
        unit.Options().warmupMs = 0;
        if (statusWord & 0x01)
            unit.setLampStable(true);
        unit.setShutterOpen(statusWord & 0x04);
        controller.SetPort(1);
        controller.Connect();
        Settle();
        device.Forget();
    }
    // Every reply handled.
    void Settle() {
        QTRY_VERIFY(device.pending.isEmpty());
        QTest::qWait(2 * link::CommandChannel::kTickMs);
    }

    sim::SimulatedUnit unit;
    FakeSerialDevice device;
    control::UnitController controller;
};

} // namespace vq3::test

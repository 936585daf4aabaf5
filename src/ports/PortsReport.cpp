#include "ports/PortsReport.h"

#include "link/DeviceAccess.h"
#include "ports/PortMap.h"
#include "ports/PortName.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace vq3::ports {

using link::AccessProblem;

namespace {

QString Verdict(const QString& device) {
    const QString problem = AccessProblem(device);
    return problem.isEmpty() ? QStringLiteral("ok") : problem;
}

QString PortsOf(const QString& device, const QString& folder) {
    const QString canonical = QFileInfo(device).canonicalFilePath();
    QStringList ports;
    for (int port = kFirstPort; port <= kLastPort; ++port) {
        const QString opened = DeviceForPort(folder, port);
        if (opened == device || (!canonical.isEmpty() && opened == canonical))
            ports.append(PortName(port));
    }
    return ports.isEmpty() ? QStringLiteral("not mapped") : ports.join(QLatin1Char(','));
}

QString DeviceLines(const QString& folder, const DeviceTree& tree) {
    const QList<SerialDevice> devices = FindSerialDevices(tree);
    if (devices.isEmpty())
        return QStringLiteral("  none found\n");
    qsizetype width = 0;
    for (const SerialDevice& device : devices)
        width = std::max(width, device.path.size());
    QString lines;
    for (const SerialDevice& device : devices) {
        lines += QStringLiteral("  %1  %2  %3\n")
                     .arg(device.path.leftJustified(width),
                          PortsOf(device.path, folder).leftJustified(10), Verdict(device.path));
        for (const QString& name : device.stableNames)
            lines += QStringLiteral("  %1  = %2\n").arg(QString(width, QLatin1Char(' ')), name);
    }
    return lines;
}

QString EntryLines(const QString& folder) {
    const QList<PortEntry> entries = ReadPortEntries(folder);
    if (entries.isEmpty())
        return QStringLiteral("  none\n");
    QString lines;
    for (const PortEntry& entry : entries) {
        QString what = entry.isLink ? QStringLiteral("-> ") + entry.linkTarget
                                    : QStringLiteral("(a file, not a link)");
        if (entry.isLink && entry.device != entry.linkTarget && QFileInfo::exists(entry.device))
            what += QStringLiteral(" (= %1)").arg(entry.device);
        lines +=
            QStringLiteral("  %1 %2  %3\n").arg(PortName(entry.port), what, Verdict(entry.device));
    }
    return lines;
}

} // namespace

QString PortsReport(const QString& folder, const DeviceTree& tree) {
    return QStringLiteral("Folder read by vq3-controller: %1\n"
                          "COMn without an entry there is /dev/ttyS(n-1).\n\n"
                          "Serial devices:\n%2\n"
                          "Entries in that folder:\n%3")
        .arg(folder, DeviceLines(folder, tree), EntryLines(folder));
}

} // namespace vq3::ports

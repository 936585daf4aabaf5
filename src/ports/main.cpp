// vq3-ports: lists the serial devices and the controller's COMn entries, maps and unmaps
// ports, in the folder that the vq3-controller installed beside it reads.
#include "app/ProfileFolder.h"
#include "ports/PortsCommand.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vq3-ports"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VQ3_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Lists the serial devices, the port of vq3-controller (COM1 to COM9) each is mapped to\n"
        "and whether this account can use it; maps and unmaps ports in the folder that the\n"
        "vq3-controller beside this program reads."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("command"),
        QStringLiteral("None: the list. map COMn DEVICE: make COMn a link to DEVICE (its "
                       "/dev/serial/by-id/ name when it has one). unmap COMn: remove that link."),
        QStringLiteral("[map COMn DEVICE | unmap COMn]"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!parser.parse(QCoreApplication::arguments())) {
        err << "vq3-ports: " << parser.errorText() << " See vq3-ports --help." << Qt::endl;
        return vq3::ports::kBadUsage;
    }
    if (parser.isSet(help))
        parser.showHelp();
    if (parser.isSet(version))
        parser.showVersion();

    // The controller's configuration folder is named after the controller, not this tool.
    QCoreApplication::setApplicationName(QStringLiteral("vq3-controller"));
    return vq3::ports::RunPortsCommand(parser.positionalArguments(), vq3::app::ProfileFolder(), out,
                                       err);
}

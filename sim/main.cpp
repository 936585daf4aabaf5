// vq3-simulator: a simulated VQ3 light source on a pseudo-terminal, for demos and tests.
#include "PtyLink.h"
#include "SimulatedUnit.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: the event loop picks the byte up.
void OnTerminationSignal(int signal) {
    const char byte = static_cast<char>(signal);
    const int savedErrno = errno;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
    errno = savedErrno;
}

bool WatchTerminationSignals() {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        if (::sigaction(signal, &action, nullptr) != 0)
            return false;
    return true;
}

void Fail(const QString& text) {
    std::fprintf(stderr, "vq3-simulator: %s\n", qPrintable(text));
    std::fflush(stderr);
}

// Printable form of a command or reply for the traffic trace.
QByteArray Visible(const QByteArray& bytes) {
    QByteArray text;
    for (const char c : bytes) {
        if (c == '\r')
            text += "\\r";
        else if (c == '\n')
            text += "\\n";
        else if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
            text += "\\x" + QByteArray(1, "0123456789abcdef"[(c >> 4) & 0xF]) +
                    QByteArray(1, "0123456789abcdef"[c & 0xF]);
        else
            text += c;
    }
    return text;
}

struct IntOption {
    QCommandLineOption option;
    int low;
    int* target;
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vq3-simulator"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated VQ3 light source served on a pseudo-terminal. Prints the terminal's path\n"
        "and runs until SIGTERM or SIGINT."));
    parser.addHelpOption();
    const QCommandLineOption link(
        QStringLiteral("link"),
        QStringLiteral("Make <path> a symbolic link to the terminal "
                       "(an existing link is replaced; removed at exit)."),
        QStringLiteral("path"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Append every byte received to <file>."),
                                 QStringLiteral("file"));
    const QCommandLineOption longStatus(QStringLiteral("long-status"),
                                        QStringLiteral("Answer INP with three hex digits."));
    const QCommandLineOption warmup(QStringLiteral("warmup"),
                                    QStringLiteral("Lamp warm-up time in ms (default 3000)."),
                                    QStringLiteral("ms"), QStringLiteral("3000"));
    const QCommandLineOption clockSpeed(
        QStringLiteral("clock-speed"),
        QStringLiteral("Lamp hours clock multiplier, 3600 = one hour per second (default 1)."),
        QStringLiteral("x"), QStringLiteral("1"));
    const QCommandLineOption ramp(
        QStringLiteral("ramp"),
        QStringLiteral("Intensity ramp in percent per second (default 10)."),
        QStringLiteral("rate"), QStringLiteral("10"));
    const QCommandLineOption refuse(
        QStringLiteral("refuse"),
        QStringLiteral("Refuse every <n>th lamp, shutter, intensity or program command that "
                       "would be carried out, with its NG code (default 0, never)."),
        QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption delay(QStringLiteral("delay"),
                                   QStringLiteral("Wait <ms> before each reply."),
                                   QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption split(QStringLiteral("split"),
                                   QStringLiteral("Write each reply in <n> pieces, 30 ms apart."),
                                   QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption crlf(QStringLiteral("crlf"),
                                  QStringLiteral("End replies with CR LF instead of CR."));
    const QCommandLineOption nul(QStringLiteral("nul"),
                                 QStringLiteral("Sprinkle NUL bytes into replies."));
    const QCommandLineOption garbage(QStringLiteral("garbage"),
                                     QStringLiteral("Put a garbage line before every <n>th reply."),
                                     QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption overlong(
        QStringLiteral("overlong"),
        QStringLiteral("Answer INP with a 300-character line before the reply."));
    const QCommandLineOption burst(QStringLiteral("burst"),
                                   QStringLiteral("Answer INP with <bytes> of junk lines first."),
                                   QStringLiteral("bytes"), QStringLiteral("0"));
    const QCommandLineOption silent(QStringLiteral("silent"), QStringLiteral("Never answer."));
    const QCommandLineOption dropAfter(
        QStringLiteral("drop-after"),
        QStringLiteral("Close the terminal <ms> after the first command (the line is gone)."),
        QStringLiteral("ms"), QStringLiteral("-1"));
    const QCommandLineOption replugAfter(
        QStringLiteral("replug-after"),
        QStringLiteral("After --drop-after, serve the same link again <ms> later (plugged back)."),
        QStringLiteral("ms"), QStringLiteral("-1"));
    const QCommandLineOption stallAfter(
        QStringLiteral("stall-after"),
        QStringLiteral("Stop reading <ms> after the first command (a stalled adapter)."),
        QStringLiteral("ms"), QStringLiteral("-1"));
    const QCommandLineOption stream(
        QStringLiteral("stream"),
        QStringLiteral("Also send <text> and CR over and over, unasked, at 9600 baud."),
        QStringLiteral("text"));
    const QCommandLineOption noCr(
        QStringLiteral("stream-no-cr"),
        QStringLiteral("Send the --stream text without a CR: a line that never ends."));
    const QCommandLineOption streamRate(
        QStringLiteral("stream-rate"),
        QStringLiteral("Send the --stream text at <bytes> a second (default 960, 9600 baud)."),
        QStringLiteral("bytes"), QStringLiteral("960"));
    const QCommandLineOption streamAfter(
        QStringLiteral("stream-after"),
        QStringLiteral("Begin the --stream lines <ms> after start (default 0)."),
        QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption quiet(QStringLiteral("quiet"),
                                   QStringLiteral("No traffic trace on standard error."));
    parser.addOptions({link,     log,   longStatus, warmup,      clockSpeed,  ramp,
                       refuse,   delay, split,      crlf,        nul,         garbage,
                       overlong, burst, silent,     dropAfter,   replugAfter, stallAfter,
                       stream,   noCr,  streamRate, streamAfter, quiet});
    parser.process(app);

    vq3::sim::UnitOptions unitOptions;
    vq3::sim::LinkOptions linkOptions;
    unitOptions.longStatus = parser.isSet(longStatus);
    linkOptions.crlf = parser.isSet(crlf);
    linkOptions.nulBytes = parser.isSet(nul);
    linkOptions.overlong = parser.isSet(overlong);
    linkOptions.silent = parser.isSet(silent);
    linkOptions.stream = parser.isSet(stream);
    linkOptions.streamText = parser.value(stream).toLatin1();
    linkOptions.streamCr = !parser.isSet(noCr);
    const IntOption numbers[] = {
        {warmup, 0, &unitOptions.warmupMs},
        {ramp, 0, &unitOptions.rampPercentPerSecond},
        {refuse, 0, &unitOptions.refuseEveryN},
        {delay, 0, &linkOptions.replyDelayMs},
        {split, 1, &linkOptions.splitPieces},
        {garbage, 0, &linkOptions.garbageEveryN},
        {burst, 0, &linkOptions.burstBytes},
        {dropAfter, -1, &linkOptions.dropAfterMs},
        {streamAfter, 0, &linkOptions.streamAfterMs},
        {replugAfter, -1, &linkOptions.replugAfterMs},
        {stallAfter, -1, &linkOptions.stallAfterMs},
        {streamRate, 1, &linkOptions.streamBytesPerSecond},
    };
    for (const IntOption& number : numbers) {
        bool ok = false;
        *number.target = parser.value(number.option).toInt(&ok); // C locale, whatever LANG says
        if (!ok || *number.target < number.low) {
            Fail(QStringLiteral("--%1 needs a whole number of at least %2")
                     .arg(number.option.names().constFirst())
                     .arg(number.low));
            return 2;
        }
    }
    bool ok = false;
    unitOptions.clockSpeed = parser.value(clockSpeed).toDouble(&ok);
    if (!ok || !(unitOptions.clockSpeed >= 0)) {
        Fail(QStringLiteral("--clock-speed needs a number of at least 0"));
        return 2;
    }

    QFile logFile(parser.value(log));
    if (parser.isSet(log) &&
        !logFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        Fail(QStringLiteral("cannot write %1").arg(logFile.fileName()));
        return 1;
    }
    if (!WatchTerminationSignals()) {
        Fail(QStringLiteral("cannot watch termination signals"));
        return 1;
    }
    QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [] {
        char byte;
        while (::read(g_signalPipe[0], &byte, 1) > 0) {
        }
        QCoreApplication::quit();
    });

    vq3::sim::SimulatedUnit unit(unitOptions);
    vq3::sim::PtyLink line(unit, linkOptions);
    if (logFile.isOpen())
        QObject::connect(&line, &vq3::sim::PtyLink::bytesReceived, &app,
                         [&logFile](const QByteArray& bytes) { logFile.write(bytes); });
    if (!parser.isSet(quiet)) {
        QObject::connect(&line, &vq3::sim::PtyLink::commandReceived, &app,
                         [](const QByteArray& command) {
                             std::fprintf(stderr, "< %s\n", Visible(command).constData());
                         });
        QObject::connect(&line, &vq3::sim::PtyLink::replied, &app, [](const QByteArray& reply) {
            std::fprintf(stderr, "> %s\n", Visible(reply).constData());
        });
    }
    if (!line.Start(parser.value(link))) {
        Fail(parser.isSet(link)
                 ? QStringLiteral("cannot serve a pseudo-terminal as %1").arg(parser.value(link))
                 : QStringLiteral("cannot open a pseudo-terminal"));
        return 1;
    }
    if (parser.isSet(link))
        std::printf("vq3-simulator: serving on %s (link %s)\n", qPrintable(line.SlavePath()),
                    qPrintable(parser.value(link)));
    else
        std::printf("vq3-simulator: serving on %s\n", qPrintable(line.SlavePath()));
    std::fflush(stdout);

    const int result = app.exec();
    line.Stop(); // removes the link if it still points to this terminal
    return result;
}

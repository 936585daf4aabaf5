#include "ctl/CtlCommand.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>

namespace vq3::ctl {

namespace {

constexpr int kDefaultWaitMs = 25000;      // QtDBus's own default
constexpr double kLampStableWaitS = 600.0; // lamps take minutes to settle
constexpr double kGraceS = 10.0;           // the controller's own time-out reply comes first
constexpr double kMaxTimeoutS = 2000000.0; // fits a call time-out in milliseconds

// The words of one command after the global options, consumed front to back.
class Words {
public:
    explicit Words(QStringList words) : m_words(std::move(words)) {}
    bool AtEnd() const { return m_next >= m_words.size(); }
    QString Take() { return AtEnd() ? QString() : m_words[m_next++]; }
    QString Peek() const { return AtEnd() ? QString() : m_words[m_next]; }

private:
    QStringList m_words;
    qsizetype m_next = 0;
};

std::optional<double> Seconds(const QString& text) {
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> Integer(const QString& text) {
    bool ok = false;
    const int value = QLocale::c().toInt(text, &ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<uint> Unsigned(const QString& text) {
    bool ok = false;
    const uint value = text.startsWith(u'-') ? 0 : QLocale::c().toUInt(text, &ok);
    return ok ? std::optional<uint>(value) : std::nullopt;
}

int WaitMs(double seconds) {
    return static_cast<int>(std::lround(std::clamp(seconds, 0.0, kMaxTimeoutS) * 1000.0));
}

// Builds the result of one parse; the first problem found wins.
class Parser {
public:
    explicit Parser(Command command) : m_command(std::move(command)) {}

    ParseResult Fail(const QString& problem) const { return {std::nullopt, problem}; }

    ParseResult Done(Words& words) {
        if (!words.AtEnd())
            return Fail(QStringLiteral("Unexpected \"%1\".").arg(words.Peek()));
        return {m_command, {}};
    }

    Command& command() { return m_command; }

    void Call(Interface interface, const char* member, QVariantList arguments = {},
              const char* resultKey = "") {
        m_command.action = Action::Call;
        m_command.interface = interface;
        m_command.member = QString::fromLatin1(member);
        m_command.arguments = std::move(arguments);
        m_command.resultKey = QString::fromLatin1(resultKey);
    }

    // Sets the wait for a method with a limit of its own, unless --timeout gave one.
    void WaitFor(double seconds) {
        if (!m_timeoutGiven)
            m_command.timeoutMs = WaitMs(seconds + kGraceS);
    }

    bool m_timeoutGiven = false;

private:
    Command m_command;
};

ParseResult ParsePort(Parser& p, Words& w) {
    if (w.AtEnd()) {
        p.command().action = Action::ShowPort;
        return p.Done(w);
    }
    const QString port = w.Take();
    if (port == QLatin1String("disconnect"))
        p.Call(Interface::Link, "Disconnect");
    else
        p.Call(Interface::Link, "Connect", {port});
    return p.Done(w);
}

ParseResult ParseLamp(Parser& p, Words& w, double timeoutS) {
    const QString what = w.Take();
    if (what == QLatin1String("on") || what == QLatin1String("off")) {
        p.Call(Interface::Unit, "SetLamp", {what == QLatin1String("on")});
        p.WaitFor(10.0);
    } else if (what == QLatin1String("wait-stable")) {
        // --timeout is the longest wait for the lamp here; the call waits a little longer.
        const double wait = p.m_timeoutGiven ? timeoutS : kLampStableWaitS;
        p.Call(Interface::Unit, "WaitLampStable", {wait});
        p.command().timeoutMs = WaitMs(wait + kGraceS);
    } else {
        return p.Fail(QStringLiteral("lamp takes on, off or wait-stable."));
    }
    return p.Done(w);
}

ParseResult ParseShutter(Parser& p, Words& w) {
    const QString what = w.Take();
    if (what != QLatin1String("open") && what != QLatin1String("close"))
        return p.Fail(QStringLiteral("shutter takes open or close."));
    p.Call(Interface::Unit, "SetShutter", {what == QLatin1String("open")});
    p.WaitFor(5.0);
    return p.Done(w);
}

ParseResult ParseExpose(Parser& p, Words& w) {
    if (w.AtEnd())
        return p.Fail(QStringLiteral("expose needs the exposure time in seconds."));
    const QString text = w.Take();
    const std::optional<double> seconds = Seconds(text);
    if (!seconds)
        return p.Fail(QStringLiteral("\"%1\" is not a time in seconds.").arg(text));
    if (w.Peek() == QLatin1String("--no-wait")) {
        w.Take();
        p.Call(Interface::Unit, "StartExposure", {*seconds});
    } else {
        p.Call(Interface::Unit, "Expose", {*seconds});
        p.WaitFor(std::max(*seconds, 0.0) + 5.0);
    }
    return p.Done(w);
}

ParseResult ParseIntensity(Parser& p, Words& w) {
    const QString what = w.Take();
    if (what.isEmpty() || what == QLatin1String("read")) {
        p.Call(Interface::Unit, "ReadIntensity", {}, "Intensity");
        return p.Done(w);
    }
    if (what != QLatin1String("set") && what != QLatin1String("up") &&
        what != QLatin1String("down"))
        return p.Fail(QStringLiteral("intensity takes read, set P, up MS or down MS."));
    if (w.AtEnd())
        return p.Fail(QStringLiteral("intensity %1 needs a number.").arg(what));
    const QString text = w.Take();
    if (what == QLatin1String("set")) {
        const std::optional<int> percent = Integer(text);
        if (!percent)
            return p.Fail(QStringLiteral("\"%1\" is not a whole percentage.").arg(text));
        p.Call(Interface::Unit, "SetIntensity", {*percent}, "Intensity");
        p.WaitFor(60.0);
        return p.Done(w);
    }
    const std::optional<uint> ms = Unsigned(text);
    if (!ms)
        return p.Fail(QStringLiteral("\"%1\" is not a time in milliseconds.").arg(text));
    p.Call(Interface::Unit, "StepIntensity", {what == QLatin1String("up") ? 1 : -1, *ms},
           "Intensity");
    p.WaitFor(std::min(*ms, 100000u) / 1000.0 + 2.0);
    return p.Done(w);
}

ParseResult ParseProgram(Parser& p, Words& w) {
    const QString what = w.Take();
    if (what == QLatin1String("stop")) {
        p.Call(Interface::Unit, "StopProgram");
        return p.Done(w);
    }
    if (what == QLatin1String("step")) {
        p.Call(Interface::Unit, "ReadStep", {}, "Step");
        return p.Done(w);
    }
    if (what != QLatin1String("start") && what != QLatin1String("read") &&
        what != QLatin1String("write"))
        return p.Fail(QStringLiteral("program takes start N, stop, step, read N [FILE] or "
                                     "write N FILE."));
    const QString text = w.Take();
    const std::optional<uint> number = Unsigned(text);
    if (!number)
        return p.Fail(QStringLiteral("program %1 needs a program number (1 to 9).").arg(what));
    if (what == QLatin1String("start")) {
        p.Call(Interface::Unit, "StartProgram", {*number});
        return p.Done(w);
    }
    p.Call(Interface::Unit, what == QLatin1String("read") ? "ReadProgram" : "WriteProgram",
           {*number});
    p.command().action = what == QLatin1String("read") ? Action::ReadProgram : Action::WriteProgram;
    p.command().file = w.Take();
    if (p.command().action == Action::WriteProgram && p.command().file.isEmpty())
        return p.Fail(QStringLiteral("program write needs a program file."));
    return p.Done(w);
}

ParseResult ParseSettings(Parser& p, Words& w) {
    const QString what = w.Take();
    if (what == QLatin1String("read")) {
        p.Call(Interface::Unit, "ReadSettings");
        p.command().action = Action::ReadSettings;
    } else if (what == QLatin1String("write")) {
        p.Call(Interface::Unit, "WriteSettings");
        p.command().action = Action::WriteSettings;
        if (w.AtEnd())
            return p.Fail(QStringLiteral("settings write needs a settings file."));
    } else {
        return p.Fail(QStringLiteral("settings takes read [FILE] or write FILE."));
    }
    p.command().file = w.Take();
    return p.Done(w);
}

ParseResult ParseVerb(Parser& p, Words& w, double timeoutS) {
    const QString verb = w.Take();
    if (verb == QLatin1String("status")) {
        p.command().action = Action::ShowStatus; // properties only: nothing goes to the unit
        return p.Done(w);
    }
    if (verb == QLatin1String("port"))
        return ParsePort(p, w);
    if (verb == QLatin1String("lamp"))
        return ParseLamp(p, w, timeoutS);
    if (verb == QLatin1String("shutter"))
        return ParseShutter(p, w);
    if (verb == QLatin1String("expose"))
        return ParseExpose(p, w);
    if (verb == QLatin1String("intensity"))
        return ParseIntensity(p, w);
    if (verb == QLatin1String("hours")) {
        p.Call(Interface::Unit, "ReadLampHours", {}, "LampHours");
        return p.Done(w);
    }
    if (verb == QLatin1String("program"))
        return ParseProgram(p, w);
    if (verb == QLatin1String("settings"))
        return ParseSettings(p, w);
    if (verb == QLatin1String("send")) {
        if (w.AtEnd())
            return p.Fail(QStringLiteral("send needs a command line (quote it if it has blanks)."));
        p.Call(Interface::Link, "Send", {w.Take()});
        return p.Done(w);
    }
    if (verb == QLatin1String("monitor")) {
        p.command().action = Action::Monitor;
        return p.Done(w);
    }
    if (verb.isEmpty())
        return p.Fail(QStringLiteral("A command is missing."));
    return p.Fail(QStringLiteral("Unknown command \"%1\".").arg(verb));
}

} // namespace

ParseResult ParseCommandLine(const QStringList& words) {
    Command command;
    command.timeoutMs = kDefaultWaitMs;
    Parser parser(command);
    double timeoutS = 0.0;
    qsizetype i = 0;
    for (; i < words.size() && words[i].startsWith(QLatin1String("-")); ++i) {
        const QString& option = words[i];
        if (option == QLatin1String("--")) {
            ++i;
            break;
        }
        if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
            parser.command().action = Action::Help;
            return {parser.command(), {}};
        }
        if (option == QLatin1String("--version")) {
            parser.command().action = Action::Version;
            return {parser.command(), {}};
        }
        if (option == QLatin1String("--json")) {
            parser.command().json = true;
            continue;
        }
        QString value;
        if (option == QLatin1String("--timeout") && i + 1 < words.size())
            value = words[++i];
        else if (option.startsWith(QLatin1String("--timeout=")))
            value = option.mid(10);
        else if (option == QLatin1String("--timeout"))
            return parser.Fail(QStringLiteral("--timeout needs a number of seconds."));
        else
            return parser.Fail(QStringLiteral("Unknown option \"%1\".").arg(option));
        const std::optional<double> seconds = Seconds(value);
        if (!seconds || *seconds <= 0.0 || *seconds > kMaxTimeoutS)
            return parser.Fail(
                QStringLiteral("--timeout needs a positive number of seconds, not \"%1\".")
                    .arg(value));
        timeoutS = *seconds;
        parser.command().timeoutMs = WaitMs(timeoutS);
        parser.m_timeoutGiven = true;
    }
    Words rest(words.mid(i));
    return ParseVerb(parser, rest, timeoutS);
}

QString UsageText() {
    return QStringLiteral(
        "Usage: vq3ctl [--json] [--timeout S] COMMAND\n"
        "Commands:\n"
        "  status                      link and unit state (asks the unit for its status)\n"
        "  port [COMn|disconnect]      show the port, connect to COMn or disconnect\n"
        "  lamp on|off|wait-stable     switch the lamp, or wait until it is stable\n"
        "  shutter open|close          open or close the shutter\n"
        "  expose SECONDS [--no-wait]  timed exposure, 0.0 to 999.9 s\n"
        "  intensity [read|set P|up MS|down MS]\n"
        "                              read, set (0 to 100 %) or step the intensity\n"
        "  hours                       read the lamp hours\n"
        "  program start N|stop|step|read N [FILE]|write N FILE\n"
        "                              run, stop, follow, read or write program N (1 to 9)\n"
        "  settings read [FILE]|write FILE\n"
        "                              read or write the unit's settings (settings file)\n"
        "  send LINE                   send one command line, as the Terminal does\n"
        "  monitor                     print property changes and traffic as they happen\n"
        "Options:\n"
        "  --json                      print JSON (one object per line for monitor)\n"
        "  --timeout S                 wait at most S seconds for the controller's reply\n"
        "Exit status: 0 done, 1 refused or failed, 2 bad usage or value, 3 time-out,\n"
        "4 not connected, 5 busy, 6 interrupted, 8 no controller running.\n");
}

} // namespace vq3::ctl

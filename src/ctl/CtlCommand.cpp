#include "ctl/CtlCommand.h"

#include "ctl/BusProperties.h"
#include "ctl/CtlNumbers.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace vq3::ctl {

namespace {

constexpr int kDefaultWaitMs = 25000;      // QtDBus's own default
constexpr double kLampStableWaitS = 600.0; // lamps take minutes to settle
constexpr double kGraceS = 10.0;           // the controller's own time-out reply comes first
constexpr double kMaxTimeoutS = 2000000.0; // fits a call time-out in milliseconds

// The words of one command without the options, consumed front to back.
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

int WaitMs(double seconds) {
    return static_cast<int>(std::lround(std::clamp(seconds, 0.0, kMaxTimeoutS) * 1000.0));
}

// Builds the result of one parse; the first problem found wins.
class Parser {
public:
    explicit Parser(Command command) : m_command(std::move(command)) {}

    ParseResult Fail(const QString& problem) const {
        return {std::nullopt, problem, m_command.json};
    }

    ParseResult Done(Words& words) {
        if (!words.AtEnd())
            return Fail(QStringLiteral("Unexpected \"%1\".").arg(words.Peek()));
        if (m_noWait && m_command.method != Method::StartExposure)
            return Fail(QStringLiteral("--no-wait goes with expose SECONDS only."));
        return {m_command, {}, m_command.json};
    }

    Command& command() { return m_command; }

    void Call(Method method, QVariantList arguments = {}, const char* resultKey = "") {
        m_command.action = Action::Call;
        m_command.method = method;
        m_command.arguments = std::move(arguments);
        m_command.resultKey = QString::fromLatin1(resultKey);
    }

    // A command that is more than one call, or none.
    void Use(Action action, QVariantList arguments = {}) {
        m_command.action = action;
        m_command.arguments = std::move(arguments);
    }

    // Sets the wait for a method with a limit of its own, unless --timeout gave one.
    void WaitFor(double seconds) {
        if (!m_timeoutGiven)
            m_command.timeoutMs = WaitMs(seconds + kGraceS);
    }

    bool m_timeoutGiven = false;
    bool m_noWait = false;

private:
    Command m_command;
};

ParseResult ParsePort(Parser& p, Words& w) {
    if (w.AtEnd()) {
        p.Use(Action::ShowPort);
        return p.Done(w);
    }
    const QString port = w.Take();
    if (port == QLatin1String("disconnect"))
        p.Call(Method::Disconnect);
    else
        p.Call(Method::Connect, {port});
    return p.Done(w);
}

ParseResult ParseLamp(Parser& p, Words& w, double timeoutS) {
    const QString what = w.Take();
    if (what == QLatin1String("on") || what == QLatin1String("off")) {
        p.Call(Method::SetLamp, {what == QLatin1String("on")});
        p.WaitFor(10.0);
    } else if (what == QLatin1String("wait-stable")) {
        // --timeout is the longest wait for the lamp here; the call waits a little longer.
        const double wait = p.m_timeoutGiven ? timeoutS : kLampStableWaitS;
        p.Call(Method::WaitLampStable, {wait});
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
    p.Call(Method::SetShutter, {what == QLatin1String("open")});
    p.WaitFor(5.0);
    return p.Done(w);
}

ParseResult ParseExpose(Parser& p, Words& w) {
    if (w.AtEnd())
        return p.Fail(QStringLiteral("expose needs the exposure time in seconds, or stop."));
    const QString text = w.Take();
    if (text == QLatin1String("stop")) {
        p.Call(Method::StopExposure);
        return p.Done(w);
    }
    const std::optional<double> seconds = ParseDecimal(text);
    if (!seconds)
        return p.Fail(QStringLiteral("\"%1\" is not a time in seconds.").arg(text));
    if (p.m_noWait) {
        p.Call(Method::StartExposure, {*seconds});
    } else {
        p.Call(Method::Expose, {*seconds});
        p.WaitFor(std::max(*seconds, 0.0) + 5.0);
    }
    return p.Done(w);
}

ParseResult ParseIntensity(Parser& p, Words& w) {
    const QString what = w.Take();
    if (what.isEmpty() || what == QLatin1String("read")) {
        p.Call(Method::ReadIntensity, {}, unitprop::kIntensity);
        return p.Done(w);
    }
    if (what != QLatin1String("set") && what != QLatin1String("up") &&
        what != QLatin1String("down"))
        return p.Fail(QStringLiteral("intensity takes read, set P, up MS or down MS."));
    if (w.AtEnd())
        return p.Fail(QStringLiteral("intensity %1 needs a number.").arg(what));
    const QString text = w.Take();
    if (what == QLatin1String("set")) {
        const std::optional<int> percent = ParseInteger(text);
        if (!percent)
            return p.Fail(QStringLiteral("\"%1\" is not a whole percentage.").arg(text));
        p.Call(Method::SetIntensity, {*percent}, unitprop::kIntensity);
        p.WaitFor(60.0);
        return p.Done(w);
    }
    const std::optional<uint> ms = ParseUnsigned(text);
    if (!ms)
        return p.Fail(QStringLiteral("\"%1\" is not a time in milliseconds.").arg(text));
    p.Call(Method::StepIntensity, {what == QLatin1String("up") ? 1 : -1, *ms},
           unitprop::kIntensity);
    p.WaitFor(std::min(*ms, 100000u) / 1000.0 + 2.0);
    return p.Done(w);
}

ParseResult ParseProgram(Parser& p, Words& w) {
    const QString what = w.Take();
    if (what == QLatin1String("stop")) {
        p.Call(Method::StopProgram);
        return p.Done(w);
    }
    if (what == QLatin1String("step")) {
        p.Call(Method::ReadStep, {}, unitprop::kStep);
        return p.Done(w);
    }
    if (what != QLatin1String("start") && what != QLatin1String("read") &&
        what != QLatin1String("write"))
        return p.Fail(QStringLiteral("program takes start N, stop, step, read N [FILE] or "
                                     "write N FILE."));
    const QString text = w.Take();
    const std::optional<uint> number = ParseUnsigned(text);
    if (!number)
        return p.Fail(QStringLiteral("program %1 needs a program number (1 to 9).").arg(what));
    if (what == QLatin1String("start")) {
        p.Call(Method::StartProgram, {*number});
        return p.Done(w);
    }
    p.Use(what == QLatin1String("read") ? Action::ReadProgram : Action::WriteProgram, {*number});
    p.command().file = w.Take();
    if (p.command().action == Action::WriteProgram && p.command().file.isEmpty())
        return p.Fail(QStringLiteral("program write needs a program file."));
    return p.Done(w);
}

ParseResult ParseSettings(Parser& p, Words& w) {
    const QString what = w.Take();
    if (what == QLatin1String("read")) {
        p.Use(Action::ReadSettings);
    } else if (what == QLatin1String("write")) {
        p.Use(Action::WriteSettings);
        if (w.AtEnd())
            return p.Fail(QStringLiteral("settings write needs a settings file."));
    } else {
        return p.Fail(QStringLiteral("settings takes read [FILE] or write FILE."));
    }
    p.command().file = w.Take();
    return p.Done(w);
}

ParseResult ParseWait(Parser& p, Words& w) {
    if (w.AtEnd())
        return p.Fail(QStringLiteral("wait needs a property and its value."));
    const QString property = w.Take();
    if (w.AtEnd())
        return p.Fail(QStringLiteral("wait %1 needs the value to wait for.").arg(property));
    WaitConditionResult parsed = ParseWaitCondition(property, w.Take());
    if (!parsed.condition)
        return p.Fail(parsed.problem);
    p.Use(Action::Wait);
    p.command().wait = std::move(parsed.condition);
    // --timeout limits the wait itself; each call keeps the usual limit.
    if (p.m_timeoutGiven)
        p.command().waitLimitMs = std::exchange(p.command().timeoutMs, kDefaultWaitMs);
    return p.Done(w);
}

ParseResult ParseVerb(Parser& p, Words& w, double timeoutS) {
    const QString verb = w.Take();
    if (verb == QLatin1String("status")) {
        p.Use(Action::ShowStatus); // properties only: nothing goes to the unit
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
        p.Call(Method::ReadLampHours, {}, unitprop::kLampHours);
        return p.Done(w);
    }
    if (verb == QLatin1String("program"))
        return ParseProgram(p, w);
    if (verb == QLatin1String("settings"))
        return ParseSettings(p, w);
    if (verb == QLatin1String("send")) {
        if (w.AtEnd())
            return p.Fail(QStringLiteral("send needs a command line (quote it if it has blanks)."));
        p.Call(Method::Send, {w.Take()});
        return p.Done(w);
    }
    if (verb == QLatin1String("monitor")) {
        p.Use(Action::Monitor);
        return p.Done(w);
    }
    if (verb == QLatin1String("wait"))
        return ParseWait(p, w);
    if (verb.isEmpty())
        return p.Fail(QStringLiteral("A command is missing."));
    return p.Fail(QStringLiteral("Unknown command \"%1\".").arg(verb));
}

// A word that starts with "-" and is not a number ("-5", "-.5") nor "-" alone.
bool IsOption(const QString& word) {
    return word.size() > 1 && word[0] == u'-' && !word[1].isDigit() && word[1] != u'.';
}

// Takes the option at words[*i] (and the value after it); an empty text when it was good.
QString TakeOption(Parser& parser, const QStringList& words, qsizetype* i, double* timeoutS) {
    const QString& option = words[*i];
    if (option == QLatin1String("--json")) {
        parser.command().json = true;
        return {};
    }
    if (option == QLatin1String("--no-wait")) {
        parser.m_noWait = true;
        return {};
    }
    QString value;
    if (option == QLatin1String("--timeout") && *i + 1 < words.size())
        value = words[++*i];
    else if (option.startsWith(QLatin1String("--timeout=")))
        value = option.mid(10);
    else if (option == QLatin1String("--timeout"))
        return QStringLiteral("--timeout needs a number of seconds.");
    else
        return QStringLiteral("Unknown option \"%1\" (put -- before a word that starts with "
                              "\"-\").")
            .arg(option);
    const std::optional<double> seconds = ParseDecimal(value);
    if (!seconds || *seconds <= 0.0 || *seconds > kMaxTimeoutS)
        return QStringLiteral("--timeout needs a positive number of seconds, not \"%1\".")
            .arg(value);
    *timeoutS = *seconds;
    parser.command().timeoutMs = WaitMs(*seconds);
    parser.m_timeoutGiven = true;
    return {};
}

} // namespace

ParseResult ParseCommandLine(const QStringList& words) {
    Command command;
    command.timeoutMs = kDefaultWaitMs;
    Parser parser(command);
    double timeoutS = 0.0;
    QStringList rest; // the command's own words
    bool optionsEnded = false;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& word = words[i];
        if (optionsEnded || !IsOption(word)) {
            rest << word;
        } else if (word == QLatin1String("--")) {
            optionsEnded = true;
        } else if (word == QLatin1String("--help") || word == QLatin1String("-h")) {
            parser.Use(Action::Help);
            return {parser.command(), {}, parser.command().json};
        } else if (word == QLatin1String("--version")) {
            parser.Use(Action::Version);
            return {parser.command(), {}, parser.command().json};
        } else if (const QString problem = TakeOption(parser, words, &i, &timeoutS);
                   !problem.isEmpty()) {
            // --json after the faulty option still asks for a JSON error.
            parser.command().json =
                parser.command().json || words.mid(i).contains(QStringLiteral("--json"));
            return parser.Fail(problem);
        }
    }
    Words commandWords(rest);
    return ParseVerb(parser, commandWords, timeoutS);
}

QString UsageText() {
    return QStringLiteral(
        "Usage: vq3ctl [--json] [--timeout S] COMMAND (options also after the command)\n"
        "Commands:\n"
        "  status                      link and unit state as last reported (sends nothing)\n"
        "  port [COMn|disconnect]      show the port, connect to COMn or disconnect\n"
        "  lamp on|off|wait-stable     switch the lamp, or wait until it is stable\n"
        "  shutter open|close          open or close the shutter\n"
        "  expose SECONDS [--no-wait]|stop\n"
        "                              timed exposure (0.0 to 999.9 s), or end it early\n"
        "  intensity [read|set P|up MS|down MS]\n"
        "                              read, set (0 to 100 %) or step the intensity\n"
        "  hours                       read the lamp hours\n"
        "  program start N|stop|step|read N [FILE]|write N FILE\n"
        "                              run, stop, follow, read or write program N (1 to 9)\n"
        "  settings read [FILE]|write FILE\n"
        "                              read or write the unit's settings (settings file)\n"
        "  send LINE                   send one command line, as the Terminal does\n"
        "  monitor                     print changes, traffic and endings as they happen\n"
        "  wait PROPERTY VALUE         until a property holds VALUE (true/false, a number,\n"
        "                              >=N, <=N, >N, <N, or text); --timeout S limits it\n"
        "Options:\n"
        "  --json                      print JSON (one object per line for monitor, errors\n"
        "                              as {\"error\": NAME, \"message\": TEXT})\n"
        "  --timeout S                 wait at most S seconds for the controller's reply\n"
        "  --                          the words after it are no options (send -- -X)\n"
        "Exit status: 0 done, 1 refused or failed, 2 bad usage or value, 3 time-out,\n"
        "4 not connected, 5 busy, 6 interrupted, 8 no controller running,\n"
        "128 + N ended by signal N (130 for Ctrl-C).\n");
}

} // namespace vq3::ctl

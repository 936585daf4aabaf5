#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>

namespace vq3::ctl {

// What one vq3ctl command line asks for.
enum class Action {
    Call,          // one method; a returned value is printed under `resultKey`
    ShowStatus,    // a fresh status word when connected, then both interfaces' properties
    ShowPort,      // the Link interface's properties
    ReadProgram,   // ReadProgram: printed as the program file's lines, or stored in `file`
    WriteProgram,  // the program file `file` sent with WriteProgram
    ReadSettings,  // ReadSettings: printed, or stored in the settings file `file`
    WriteSettings, // the settings file `file` sent with WriteSettings
    Monitor,       // property changes and traffic, one line each, until the controller quits
    Help,
    Version,
};

enum class Interface { Link, Unit };

struct Command {
    Action action = Action::Call;
    bool json = false;
    int timeoutMs = 25000; // how long to wait for the controller's reply
    Interface interface = Interface::Unit;
    QString member;
    QVariantList arguments;
    QString resultKey; // the name a returned value is printed under; empty when none
    QString file;
};

struct ParseResult {
    std::optional<Command> command;
    QString usageError; // one sentence when the words are not a command
};

// Parses the words after the program's name:
//   [--json] [--timeout S] status | port [COMn|disconnect] | lamp on|off|wait-stable
//   | shutter open|close | expose SECONDS [--no-wait] | intensity [read|set P|up MS|down MS]
//   | hours | program start N|stop|step|read N [FILE]|write N FILE
//   | settings read [FILE]|write FILE | send LINE | monitor
// Numbers are checked for their form and type only; the controller checks their ranges.
// Without --timeout the wait is long enough for the method's own limit.
ParseResult ParseCommandLine(const QStringList& words);

// The usage synopsis printed with --help and after a usage error.
QString UsageText();

} // namespace vq3::ctl

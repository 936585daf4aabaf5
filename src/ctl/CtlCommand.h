#pragma once

#include "ctl/CtlWaitCondition.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>

namespace vq3::ctl {
Q_NAMESPACE

// What one vq3ctl command line asks for.
enum class Action {
    Call,          // one method; a returned value is printed under `resultKey`
    ShowStatus,    // both interfaces' properties
    ShowPort,      // the Link interface's properties
    ReadProgram,   // ReadProgram: printed as the program file's lines, or stored in `file`
    WriteProgram,  // the program file `file` sent with WriteProgram
    ReadSettings,  // ReadSettings: printed, or stored in the settings file `file`
    WriteSettings, // the settings file `file` sent with WriteSettings
    Monitor,       // property changes, traffic and signals, one line each, until the end
    Wait,          // until a property holds a value (`wait`)
    Help,
    Version,
};
Q_ENUM_NS(Action)

// The controller's methods that Action::Call places, each through the proxy generated from
// the interface's XML.
enum class Method {
    None,
    Connect,
    Disconnect,
    Send,
    SetLamp,
    WaitLampStable,
    SetShutter,
    Expose,
    StartExposure,
    StopExposure,
    ReadIntensity,
    SetIntensity,
    StepIntensity,
    ReadLampHours,
    StartProgram,
    StopProgram,
    ReadStep,
};
Q_ENUM_NS(Method)

struct Command {
    Action action = Action::Call;
    Method method = Method::None;
    bool json = false;
    int timeoutMs = 25000; // how long to wait for the controller's reply to one call
    QVariantList arguments;
    QString resultKey; // the name a returned value is printed under; empty when none
    QString file;
    std::optional<WaitCondition> wait; // Action::Wait
    int waitLimitMs = -1;              // Action::Wait: the --timeout, -1 for none
};

struct ParseResult {
    std::optional<Command> command;
    QString usageError; // one sentence when the words are not a command
    bool json = false;  // --json was asked for: the usage error is printed as JSON too
};

// Parses the words after the program's name:
//   status | port [COMn|disconnect] | lamp on|off|wait-stable | shutter open|close
//   | expose SECONDS [--no-wait] | expose stop | intensity [read|set P|up MS|down MS]
//   | hours | program start N|stop|step|read N [FILE]|write N FILE
//   | settings read [FILE]|write FILE | send LINE | monitor | wait PROPERTY VALUE
// with the options --json, --timeout S (or --timeout=S) before or after the command; "--"
// ends the options. A word that starts with "-" and a digit is a number, not an option.
// Numbers are checked for their form and type only; the controller checks their ranges.
// Without --timeout the wait is long enough for the method's own limit.
ParseResult ParseCommandLine(const QStringList& words);

// The usage synopsis printed with --help and after a usage error.
QString UsageText();

} // namespace vq3::ctl

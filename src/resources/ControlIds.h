#pragma once

// Names for the identifiers of the menu and of the controls in the window layouts
// (Layouts.cpp). Identifiers repeat across windows, so each window has its own namespace.

namespace vq3::resources {

// Dialog templates.
namespace idd {
enum : int {
    Controller = 102,
    LightControl = 129,
    About = 130,
    ComPort = 131,
    ValueSetting = 133,
    ChoiceSetting = 134,
    Terminal = 135,
};
} // namespace idd

// Menu 129 of the main window.
namespace idm {
enum : int {
    Open = 32772,
    Save = 32774,
    SaveAs = 32775,
    Exit = 32776,
    ComPort = 32777,
    ControlMode = 32778,
    ProgramMode = 32779,
    LampAlarmTime = 32780,
    LampOffTime = 32781,
    InstantRecovery = 32782,
    ShutterResponse = 32783,
    OpenPulseTime = 32784,
    ClosePulseTime = 32785,
    About = 32786,
    LightControl = 32787,
    Terminal = 32788,
};
} // namespace idm

namespace idc {

// The standard buttons, and labels without an identifier of their own.
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int Static = -1;

// Template 102, the main window.
namespace controller {
enum : int {
    Intensity1 = 1000,
    Time1 = 1002,
    Intensity2 = 1004,
    Time2 = 1005,
    Intensity3 = 1006,
    Time3 = 1007,
    Intensity4 = 1008,
    Time4 = 1009,
    Intensity5 = 1010,
    Time5 = 1011,
    Intensity6 = 1012,
    Time6 = 1013,
    Intensity7 = 1014,
    Time7 = 1015,
    ProgramNo = 1001,
    SetProgram = 1028,
    ReadProgram = 1016,
    ReadProgramFile = 1017,
    SaveProgramFile = 1018,
    IntensityMode = 1019,
    ShutterMode = 1020,
    StartProgram = 1022,
    StopProgram = 1023,
    QueryStep = 1024,
    MemoryStepGroup = 1025,
    IntensityHeading = 1051,
    TimeHeading = 1052,
    ProgramNoHeading = 1053,
    IntensityModeLabel = 1054,
    ShutterModeLabel = 1055,
    Title = 1021,
    StepReadout = 1029,
};
// The fields of steps 1 to 7.
inline constexpr int kIntensityFields[] = {Intensity1, Intensity2, Intensity3, Intensity4,
                                           Intensity5, Intensity6, Intensity7};
inline constexpr int kTimeFields[] = {Time1, Time2, Time3, Time4, Time5, Time6, Time7};
// The "Memory Step" buttons, in the order the settings exchange greys them.
inline constexpr int kButtons[] = {QueryStep,       StartProgram,    SetProgram, ReadProgram,
                                   SaveProgramFile, ReadProgramFile, StopProgram};
inline constexpr int kLists[] = {ProgramNo, IntensityMode, ShutterMode};
} // namespace controller

// Template 129, the Light Control window.
namespace light {
enum : int {
    LampGroup = 1025,
    Lamp = 1005,
    IntensityGroup = 1031,
    Up = 1007,
    Down = 1008,
    IntensityReadout = 1034,
    IntensityRead = 1009,
    LampTimeGroup = 1032,
    LampTimeReadout = 1043,
    LampTimeRead = 1003,
    LampTimeReset = 1004,
    StatusGroup = 1030,
    LampOnLamp = 1037,
    LampStableLamp = 1038,
    ShutterOpenLamp = 1039,
    MinIntensityLamp = 1040,
    MaxIntensityLamp = 1041,
    ErrorLamp = 1042,
    StatusRead = 1006,
    ShutterGroup = 1033,
    ManualShutter = 1010,
    AutoShutter = 1011,
    AutoTimeField = 1027,
    SetAutoTime = 1013,
    AutoTimeReadout = 1035,
    AutoTimeRead = 1012,
    RestTimeReadout = 1036,
    RestTimeRead = 1014,
};
// The twelve push buttons: what the settings exchange greys, with the lamp time read-out.
inline constexpr int kButtons[] = {
    Lamp,          Up,          Down,        IntensityRead, LampTimeRead, LampTimeReset, StatusRead,
    ManualShutter, AutoShutter, SetAutoTime, AutoTimeRead,  RestTimeRead};
// The six status lamps, in status bit order.
inline constexpr int kLamps[] = {LampOnLamp,       LampStableLamp,   ShutterOpenLamp,
                                 MinIntensityLamp, MaxIntensityLamp, ErrorLamp};
} // namespace light

// Template 130, the About box.
namespace about {
enum : int { ProductLine = 1001, Notice = 1002, VersionLine = 1003 };
} // namespace about

// Template 131, the COM port dialog.
namespace comport {
enum : int { PortList = 1026 };
} // namespace comport

// Templates 133 and 134, the value and choice setting dialogs.
namespace setting {
enum : int {
    ChoiceList = 1044,
    Set = 1045,
    Read = 1046,
    ValueField = 1048,
    Readout = 1049,
    Group = 1050,
};
} // namespace setting

// Template 135, the Terminal window.
namespace terminal {
enum : int { TrafficView = 1000, Send = 1001, CommandField = 1002 };
} // namespace terminal

} // namespace idc

} // namespace vq3::resources

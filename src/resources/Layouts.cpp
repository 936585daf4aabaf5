#include "resources/Layouts.h"

#include "resources/ControlIds.h"

#include <array>
#include <stdexcept>

namespace vq3::resources {

namespace {
using K = ControlKind;
constexpr int S = idc::Static;
namespace C = idc::controller;
namespace L = idc::light;
namespace A = idc::about;
namespace P = idc::comport;
namespace T = idc::setting;
namespace M = idc::terminal;

constexpr ControlLayout kMain[] = {
    {C::Intensity1, K::Edit, "", 7, 41, 32, 12},
    {C::Time1, K::Edit, "", 46, 41, 32, 12},
    {C::Intensity2, K::Edit, "", 7, 56, 32, 12},
    {C::Time2, K::Edit, "", 46, 56, 32, 12},
    {C::Intensity3, K::Edit, "", 7, 71, 32, 12},
    {C::Time3, K::Edit, "", 46, 71, 32, 12},
    {C::Intensity4, K::Edit, "", 7, 86, 32, 12},
    {C::Time4, K::Edit, "", 46, 86, 32, 12},
    {C::Intensity5, K::Edit, "", 7, 100, 32, 12},
    {C::Time5, K::Edit, "", 46, 100, 32, 12},
    {C::Intensity6, K::Edit, "", 7, 115, 32, 12},
    {C::Time6, K::Edit, "", 46, 115, 32, 14},
    {C::Intensity7, K::Edit, "", 7, 130, 32, 12},
    {C::Time7, K::Edit, "", 46, 130, 32, 12},
    {C::ProgramNo, K::DropList, "", 98, 42, 34, 107},
    {C::SetProgram, K::Button, "Set", 144, 26, 44, 12},
    {C::ReadProgram, K::Button, "Read", 144, 42, 44, 12},
    {C::ReadProgramFile, K::Button, "File Read", 94, 62, 44, 12},
    {C::SaveProgramFile, K::Button, "File Save", 144, 62, 44, 12},
    {C::IntensityMode, K::DropList, "", 147, 80, 39, 49},
    {C::ShutterMode, K::DropList, "", 147, 94, 39, 51},
    {C::StartProgram, K::Button, "Start", 94, 111, 44, 12},
    {C::StopProgram, K::Button, "Cancel", 144, 111, 44, 12},
    {C::QueryStep, K::Button, "Step", 94, 127, 44, 12},
    {C::MemoryStepGroup, K::GroupBox, "Memory Step", 2, 18, 190, 128},
    {C::IntensityHeading, K::CenteredLabel, "Intensity", 5, 29, 32, 8},
    {C::TimeHeading, K::CenteredLabel, "Shutter Time(s)", 38, 29, 51, 8},
    {C::ProgramNoHeading, K::CenteredLabel, "Program No", 91, 29, 50, 8},
    {C::IntensityModeLabel, K::Label, "Intensity Mode", 94, 82, 50, 10},
    {C::ShutterModeLabel, K::Label, "Shutter Mode", 94, 96, 50, 10},
    {C::Title, K::Label, "TITLENAME", 3, 0, 151, 16},
    {C::StepReadout, K::ReadOut, "", 146, 127, 38, 13},
};

constexpr ControlLayout kLightControl[] = {
    {L::LampGroup, K::GroupBox, "Lamp ON/OFF", 4, 2, 74, 26},
    {L::Lamp, K::Button, "On", 15, 11, 52, 12},
    {L::IntensityGroup, K::GroupBox, "Intensity", 4, 30, 74, 46},
    {L::Up, K::Button, "Up", 9, 41, 31, 13},
    {L::Down, K::Button, "Down", 42, 41, 31, 13},
    {L::IntensityReadout, K::ReadOut, "", 9, 59, 30, 12},
    {S, K::Label, "%", 41, 61, 7, 8},
    {L::IntensityRead, K::Button, "Read", 50, 59, 23, 12},
    {L::LampTimeGroup, K::GroupBox, "Lamp Time", 4, 78, 74, 30},
    {L::LampTimeReadout, K::ReadOut, "", 9, 89, 24, 12},
    {L::LampTimeRead, K::Button, "Read", 35, 89, 18, 12},
    {L::LampTimeReset, K::Button, "Reset", 55, 89, 20, 12},
    {L::StatusGroup, K::GroupBox, "Status", 82, 2, 149, 58},
    {L::LampOnLamp, K::Indicator, "", 88, 12, 8, 8},
    {S, K::Label, "Lamp On", 99, 12, 50, 8},
    {L::LampStableLamp, K::Indicator, "", 88, 22, 8, 8},
    {S, K::Label, "Lamp Stable", 99, 22, 50, 8},
    {L::ShutterOpenLamp, K::Indicator, "", 88, 32, 8, 8},
    {S, K::Label, "Shutter Open", 99, 32, 50, 8},
    {L::MinIntensityLamp, K::Indicator, "", 152, 12, 8, 8},
    {S, K::Label, "MIN Intensity", 163, 12, 60, 8},
    {L::MaxIntensityLamp, K::Indicator, "", 152, 22, 8, 8},
    {S, K::Label, "MAX Intensity", 163, 22, 60, 8},
    {L::ErrorLamp, K::Indicator, "", 152, 32, 8, 8},
    {S, K::Label, "Error", 163, 32, 50, 8},
    {L::StatusRead, K::Button, "Read", 200, 43, 26, 12},
    {L::ShutterGroup, K::GroupBox, "Shutter OPEN/CLOSE", 82, 62, 149, 69},
    {S, K::Label, "Manual", 88, 74, 26, 8},
    {L::ManualShutter, K::Button, "Open", 116, 72, 36, 12},
    {S, K::Label, "Auto", 158, 74, 20, 8},
    {L::AutoShutter, K::Button, "Open", 180, 72, 36, 12},
    {S, K::Label, "Setting Auto Time", 88, 89, 76, 8},
    {L::AutoTimeField, K::Edit, "", 164, 87, 28, 12},
    {S, K::Label, "s", 194, 89, 6, 8},
    {L::SetAutoTime, K::Button, "Set", 202, 87, 24, 12},
    {S, K::Label, "Reading Auto Time", 88, 103, 76, 8},
    {L::AutoTimeReadout, K::ReadOut, "", 164, 101, 28, 12},
    {S, K::Label, "s", 194, 103, 6, 8},
    {L::AutoTimeRead, K::Button, "Read", 202, 101, 24, 12},
    {S, K::Label, "Shutter Open Rest Time", 88, 117, 76, 8},
    {L::RestTimeReadout, K::ReadOut, "", 164, 115, 28, 12},
    {S, K::Label, "s", 194, 117, 6, 8},
    {L::RestTimeRead, K::Button, "Read", 202, 115, 24, 12},
};

constexpr ControlLayout kAbout[] = {
    {S, K::Icon, "", 11, 10, 20, 20},
    {A::ProductLine, K::Label, "VQ3 Controller", 40, 6, 200, 8},
    {A::VersionLine, K::Label, "Version 3.0", 40, 17, 200, 8},
    {A::Notice, K::Label, "Light source control program by the VQ3 team", 40, 28, 200, 8},
    {idc::Ok, K::DefaultButton, "OK", 246, 6, 46, 14},
};

constexpr ControlLayout kComPort[] = {
    {S, K::GroupBox, "", 4, 2, 114, 30},
    {S, K::Label, "COM Port", 10, 14, 40, 8},
    {P::PortList, K::DropList, "", 52, 12, 60, 100},
    {idc::Ok, K::DefaultButton, "Ok", 126, 4, 48, 14},
    {idc::Cancel, K::Button, "Cancel", 126, 20, 48, 14},
};

constexpr ControlLayout kValueSetting[] = {
    {T::Group, K::GroupBox, "*****", 4, 2, 100, 44},
    {T::ValueField, K::Edit, "", 10, 13, 50, 12},
    {T::Set, K::Button, "Set", 64, 13, 34, 12},
    {T::Readout, K::ReadOut, "", 10, 29, 50, 12},
    {T::Read, K::Button, "Read", 64, 29, 34, 12},
    {idc::Ok, K::DefaultButton, "Ok", 110, 6, 40, 14},
    {idc::Cancel, K::Button, "Cancel", 110, 26, 40, 14},
};

constexpr ControlLayout kChoiceSetting[] = {
    {T::Group, K::GroupBox, "*****", 4, 2, 100, 44},
    {T::ChoiceList, K::DropList, "", 10, 13, 88, 60},
    {T::Set, K::Button, "Set", 10, 29, 40, 13},
    {T::Read, K::Button, "Read", 58, 29, 40, 13},
    {idc::Ok, K::DefaultButton, "Ok", 110, 6, 40, 14},
    {idc::Cancel, K::Button, "Cancel", 110, 26, 40, 14},
};

constexpr ControlLayout kTerminal[] = {
    {M::CommandField, K::Edit, "", 2, 2, 100, 12},
    {M::Send, K::Button, "Send", 103, 2, 41, 12},
    {M::TrafficView, K::TrafficView, "", 2, 17, 142, 169},
};

constexpr std::array<WindowLayout, 7> kLayouts = {{
    {idd::Controller, "VQ3 Controller", 195, 170, kMain},
    {idd::LightControl, "Light Controll", 235, 133, kLightControl},
    {idd::About, "About...", 299, 44, kAbout},
    {idd::ComPort, "Setting COM Port", 179, 37, kComPort},
    {idd::ValueSetting, "*****", 155, 50, kValueSetting},
    {idd::ChoiceSetting, "*****", 155, 50, kChoiceSetting},
    {idd::Terminal, "Terminal", 147, 188, kTerminal},
}};
} // namespace

std::span<const MenuItemLayout> MainMenu() {
    static constexpr MenuItemLayout kItems[] = {
        {"&File", "&Open", idm::Open},
        {"&File", "&Save", idm::Save},
        {"&File", "Save &As", idm::SaveAs},
        {"&File", "E&xit", idm::Exit},
        {"&Setting", "&COM port", idm::ComPort},
        {"&Setting", "Controll &Mode", idm::ControlMode},
        {"&Setting", "&Program Mode", idm::ProgramMode},
        {"&Setting", "Lamp &Alarm Time", idm::LampAlarmTime},
        {"&Setting", "Lamp &off Time", idm::LampOffTime},
        {"&Setting", "&Instantaneous Recovery", idm::InstantRecovery},
        {"&Setting", "&Shutter Response Time", idm::ShutterResponse},
        {"&Setting", "S&hutter Open Pulse Time", idm::OpenPulseTime},
        {"&Setting", "Sh&utter Close Pulth Time", idm::ClosePulseTime},
        {"&Display", "&Light Controll", idm::LightControl},
        {"&Display", "&Terminal", idm::Terminal},
        {"&Help", "&About", idm::About},
    };
    return kItems;
}

const WindowLayout& Layout(int templateId) {
    for (const WindowLayout& layout : kLayouts)
        if (layout.templateId == templateId)
            return layout;
    throw std::out_of_range("unknown dialog template");
}

} // namespace vq3::resources

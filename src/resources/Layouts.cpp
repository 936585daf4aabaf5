#include "resources/Layouts.h"

#include <array>
#include <stdexcept>

namespace vq3::resources {

namespace {
using K = ControlKind;
constexpr int S = kIdStatic;

constexpr ControlLayout kMain[] = {
    {1000, K::Edit, "", 7, 41, 32, 12},
    {1002, K::Edit, "", 46, 41, 32, 12},
    {1004, K::Edit, "", 7, 56, 32, 12},
    {1005, K::Edit, "", 46, 56, 32, 12},
    {1006, K::Edit, "", 7, 71, 32, 12},
    {1007, K::Edit, "", 46, 71, 32, 12},
    {1008, K::Edit, "", 7, 86, 32, 12},
    {1009, K::Edit, "", 46, 86, 32, 12},
    {1010, K::Edit, "", 7, 100, 32, 12},
    {1011, K::Edit, "", 46, 100, 32, 12},
    {1012, K::Edit, "", 7, 115, 32, 12},
    {1013, K::Edit, "", 46, 115, 32, 14},
    {1014, K::Edit, "", 7, 130, 32, 12},
    {1015, K::Edit, "", 46, 130, 32, 12},
    {1001, K::DropList, "", 98, 42, 34, 107},
    {1028, K::Button, "Set", 144, 26, 44, 12},
    {1016, K::Button, "Read", 144, 42, 44, 12},
    {1017, K::Button, "File Read", 94, 62, 44, 12},
    {1018, K::Button, "File Save", 144, 62, 44, 12},
    {1019, K::DropList, "", 147, 80, 39, 49},
    {1020, K::DropList, "", 147, 94, 39, 51},
    {1022, K::Button, "Start", 94, 111, 44, 12},
    {1023, K::Button, "Cancel", 144, 111, 44, 12},
    {1024, K::Button, "Step", 94, 127, 44, 12},
    {1025, K::GroupBox, "Memory Step", 2, 18, 190, 128},
    {1051, K::CenteredLabel, "Intensity", 5, 29, 32, 8},
    {1052, K::CenteredLabel, "Shutter Time(s)", 38, 29, 51, 8},
    {1053, K::CenteredLabel, "Program No", 91, 29, 50, 8},
    {1054, K::Label, "Intensity Mode", 94, 82, 50, 10},
    {1055, K::Label, "Shutter Mode", 94, 96, 50, 10},
    {1021, K::Label, "TITLENAME", 3, 0, 151, 16},
    {1029, K::ReadOut, "", 146, 127, 38, 13},
};

constexpr ControlLayout kLightControl[] = {
    {1025, K::GroupBox, "Lamp ON/OFF", 4, 2, 74, 26},
    {1005, K::Button, "On", 15, 11, 52, 12},
    {1031, K::GroupBox, "Intensity", 4, 30, 74, 46},
    {1007, K::Button, "Up", 9, 41, 31, 13},
    {1008, K::Button, "Down", 42, 41, 31, 13},
    {1034, K::ReadOut, "", 9, 59, 30, 12},
    {S, K::Label, "%", 41, 61, 7, 8},
    {1009, K::Button, "Read", 50, 59, 23, 12},
    {1032, K::GroupBox, "Lamp Time", 4, 78, 74, 30},
    {1043, K::ReadOut, "", 9, 89, 24, 12},
    {1003, K::Button, "Read", 35, 89, 18, 12},
    {1004, K::Button, "Reset", 55, 89, 20, 12},
    {1030, K::GroupBox, "Status", 82, 2, 149, 58},
    {1037, K::Indicator, "", 88, 12, 8, 8},
    {S, K::Label, "Lamp On", 99, 12, 50, 8},
    {1038, K::Indicator, "", 88, 22, 8, 8},
    {S, K::Label, "Lamp Stable", 99, 22, 50, 8},
    {1039, K::Indicator, "", 88, 32, 8, 8},
    {S, K::Label, "Shutter Open", 99, 32, 50, 8},
    {1040, K::Indicator, "", 152, 12, 8, 8},
    {S, K::Label, "MIN Intensity", 163, 12, 60, 8},
    {1041, K::Indicator, "", 152, 22, 8, 8},
    {S, K::Label, "MAX Intensity", 163, 22, 60, 8},
    {1042, K::Indicator, "", 152, 32, 8, 8},
    {S, K::Label, "Error", 163, 32, 50, 8},
    {1006, K::Button, "Read", 200, 43, 26, 12},
    {1033, K::GroupBox, "Shutter OPEN/CLOSE", 82, 62, 149, 69},
    {S, K::Label, "Manual", 88, 74, 26, 8},
    {1010, K::Button, "Open", 116, 72, 36, 12},
    {S, K::Label, "Auto", 158, 74, 20, 8},
    {1011, K::Button, "Open", 180, 72, 36, 12},
    {S, K::Label, "Setting Auto Time", 88, 89, 76, 8},
    {1027, K::Edit, "", 164, 87, 28, 12},
    {S, K::Label, "s", 194, 89, 6, 8},
    {1013, K::Button, "Set", 202, 87, 24, 12},
    {S, K::Label, "Reading Auto Time", 88, 103, 76, 8},
    {1035, K::ReadOut, "", 164, 101, 28, 12},
    {S, K::Label, "s", 194, 103, 6, 8},
    {1012, K::Button, "Read", 202, 101, 24, 12},
    {S, K::Label, "Shutter Open Rest Time", 88, 117, 76, 8},
    {1036, K::ReadOut, "", 164, 115, 28, 12},
    {S, K::Label, "s", 194, 117, 6, 8},
    {1014, K::Button, "Read", 202, 115, 24, 12},
};

constexpr ControlLayout kAbout[] = {
    {S, K::Icon, "", 11, 10, 20, 20},
    {1001, K::Label, "VQ3 Controller", 40, 6, 200, 8},
    {1003, K::Label, "Version 3.0", 40, 17, 200, 8},
    {1002, K::Label, "Light source control program by the VQ3 team", 40, 28, 200, 8},
    {kIdOk, K::DefaultButton, "OK", 246, 6, 46, 14},
};

constexpr ControlLayout kComPort[] = {
    {S, K::GroupBox, "", 4, 2, 114, 30},
    {S, K::Label, "COM Port", 10, 14, 40, 8},
    {1026, K::DropList, "", 52, 12, 60, 100},
    {kIdOk, K::DefaultButton, "Ok", 126, 4, 48, 14},
    {kIdCancel, K::Button, "Cancel", 126, 20, 48, 14},
};

constexpr ControlLayout kValueSetting[] = {
    {1050, K::GroupBox, "*****", 4, 2, 100, 44},
    {1048, K::Edit, "", 10, 13, 50, 12},
    {1045, K::Button, "Set", 64, 13, 34, 12},
    {1049, K::ReadOut, "", 10, 29, 50, 12},
    {1046, K::Button, "Read", 64, 29, 34, 12},
    {kIdOk, K::DefaultButton, "Ok", 110, 6, 40, 14},
    {kIdCancel, K::Button, "Cancel", 110, 26, 40, 14},
};

constexpr ControlLayout kChoiceSetting[] = {
    {1050, K::GroupBox, "*****", 4, 2, 100, 44},
    {1044, K::DropList, "", 10, 13, 88, 60},
    {1045, K::Button, "Set", 10, 29, 40, 13},
    {1046, K::Button, "Read", 58, 29, 40, 13},
    {kIdOk, K::DefaultButton, "Ok", 110, 6, 40, 14},
    {kIdCancel, K::Button, "Cancel", 110, 26, 40, 14},
};

constexpr ControlLayout kTerminal[] = {
    {1002, K::Edit, "", 2, 2, 100, 12},
    {1001, K::Button, "Send", 103, 2, 41, 12},
    {1000, K::TrafficView, "", 2, 17, 142, 169},
};

constexpr std::array<WindowLayout, 7> kLayouts = {{
    {102, "VQ3 Controller", 195, 170, kMain},
    {129, "Light Controll", 235, 133, kLightControl},
    {130, "About...", 299, 44, kAbout},
    {131, "Setting COM Port", 179, 37, kComPort},
    {133, "*****", 155, 50, kValueSetting},
    {134, "*****", 155, 50, kChoiceSetting},
    {135, "Terminal", 147, 188, kTerminal},
}};
} // namespace

const WindowLayout& Layout(int templateId) {
    for (const WindowLayout& layout : kLayouts)
        if (layout.templateId == templateId)
            return layout;
    throw std::out_of_range("unknown dialog template");
}

} // namespace vq3::resources

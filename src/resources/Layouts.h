#pragma once

#include <span>

namespace vq3::resources {

// Control kinds of the window layouts.
enum class ControlKind {
    Edit,          // single-line edit, border, horizontal auto-scroll
    Button,        // push button
    DefaultButton, // the window's default push button
    DropList,      // drop-down list; height is the drop height
    GroupBox,      // frame with caption; the controls inside it become its children
    Label,         // static text, left aligned
    CenteredLabel, // static text, centred
    ReadOut,       // static text, centred, sunken
    Indicator,     // static, sunken, no text (status lamp)
    TrafficView,   // multi-line read-only edit with vertical scroll bar, wrapping
    Icon,          // the application icon
};

// One control: identifier (named in ControlIds.h), kind, text as created and place in
// dialog units.
struct ControlLayout {
    int id;
    ControlKind kind;
    const char* text;
    int x, y, width, height;
};

struct WindowLayout {
    int templateId;
    const char* caption;
    int width, height;                       // dialog units
    std::span<const ControlLayout> controls; // template order, which is also the tab order
};

// One item of the main window's menu bar: the menu it belongs to, its text and command.
struct MenuItemLayout {
    const char* menu;
    const char* text;
    int id;
};

// Menu 129 of the main window, in order; each menu appears where its first item is.
std::span<const MenuItemLayout> MainMenu();

// Dialog templates: 102 main window, 129 Light Control, 130 About, 131 COM port,
// 133 value setting, 134 choice setting, 135 Terminal.
const WindowLayout& Layout(int templateId);

} // namespace vq3::resources

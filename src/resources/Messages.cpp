#include "resources/Messages.h"

#include <array>

namespace vq3::resources {

namespace {
// Texts are the system's own, spelling included.
constexpr std::array<const char*, 60> kMessages = {
    "",
    "Application is already running",                                    // 1
    "COM Port Error...",                                                 // 2
    "Setting value of intensity is wrong.",                              // 3
    "Setting value of intensity is out of range.",                       // 4
    "Setting value of time is wrong.",                                   // 5
    "Setting value of time is out of range.",                            // 6
    "File Open Error...",                                                // 7
    "File Format is wrong.",                                             // 8
    "Data Error.",                                                       // 9
    "Setting value of intensity mode is wrong.",                         // 10
    "Setting value of shutter mode is wrong.",                           // 11
    "ERR05 : Memory Step Error...",                                      // 12
    "ERR : Command Error...",                                            // 13
    "NG01 : Lamp trigger is going on.",                                  // 14
    "NG02 : Memory step operation is going on.",                         // 15
    "NG03: Shutter auto operation is going on.",                         // 16
    "NG04: Intensity monitor is uninstalled.",                           // 17
    "Intensity didn't reach set value.",                                 // 18
    "This file is rewritten following data.",                            // 19
    "Failed to connect.",                                                // 20
    "Save Completed.",                                                   // 21
    "Following data is saved in this file.",                             // 22
    "Failed to write ino the file.",                                     // 23
    "Rewritten following data in this file.",                            // 24
    "Setting value is out of range.(Set value within 0 - 999.9)",        // 25
    "Disconnect Port",                                                   // 26
    "Program Mode(1/7:Step)",                                            // 27
    "Lamp Alarm Time(*100h)",                                            // 28
    "Forced Lamp Off Time(*100h)",                                       // 29
    "Instantaneous Recovery(1:On/0:Off)",                                // 30
    "Shutter Response(1:High/0:Low)",                                    // 31
    "Shutter Open Pulse Time(ms)",                                       // 32
    "Shutter Close Pulse Time(ms)",                                      // 33
    "Program Mode",                                                      // 34
    "Lamp Alarm Time",                                                   // 35
    "Forced Lamp Off Time",                                              // 36
    "Instantaneous Recovery",                                            // 37
    "Shutter Response",                                                  // 38
    "Shutter Open Pulse Time",                                           // 39
    "Shutter Close Pulse Time",                                          // 40
    "Controll Mode",                                                     // 41
    "COM Port",                                                          // 42
    "Front Panel",                                                       // 43
    "Program Mode",                                                      // 44
    "7STEPS",                                                            // 45
    "1STEP",                                                             // 46
    "Instantaneous Recovery",                                            // 47
    "On",                                                                // 48
    "Off",                                                               // 49
    "Shutter Response",                                                  // 50
    "HIGH",                                                              // 51
    "LOW",                                                               // 52
    "Lamp Alarm Time",                                                   // 53
    "Forced Lamp Off Time",                                              // 54
    "Shutter Open Pulse Time",                                           // 55
    "Shutter Close Pulse Time",                                          // 56
    "Setting value is out of range.(Set value within 0 or 1000 - 9900)", // 57
    "Setting value is out of range.(Set value within 5 - 500)",          // 58
    "Setting value is wrong.",                                           // 59
};
} // namespace

QString Message(int id) {
    if (id <= 0 || id >= static_cast<int>(kMessages.size()))
        return QString();
    return QString::fromLatin1(kMessages[static_cast<size_t>(id)]);
}

} // namespace vq3::resources

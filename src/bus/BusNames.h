#pragma once

// The controller's names on the session bus, shared by the controller and its clients.
namespace vq3::bus {

inline constexpr char kServiceName[] = "org.vq3_controller.VQ3Controller1";
inline constexpr char kObjectPath[] = "/org/vq3_controller/VQ3Controller1";
inline constexpr char kLinkInterface[] = "org.vq3_controller.VQ3Controller1.Link";
inline constexpr char kUnitInterface[] = "org.vq3_controller.VQ3Controller1.Unit";

// Error names are this prefix and one of the words below.
inline constexpr char kErrorPrefix[] = "org.vq3_controller.VQ3Controller1.Error.";
inline constexpr char kNotConnected[] = "NotConnected"; // no port, or the device was lost
inline constexpr char kBusy[] = "Busy";                 // a unit settings operation runs
inline constexpr char kInvalidArgs[] = "InvalidArgs";
inline constexpr char kTimeout[] = "Timeout";
inline constexpr char kDeviceError[] = "DeviceError"; // the unit answered ERR, ERR05 or NG
inline constexpr char kPortError[] = "PortError";
inline constexpr char kInterrupted[] = "Interrupted"; // the operator or a lost device ended it

} // namespace vq3::bus

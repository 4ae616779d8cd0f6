#pragma once
// COM port names. The settings and the windows speak of ports as the module's tools always have:
// "COM1".."COM9" and "\\.\COM10" upwards. Here such a name resolves to a device file through a
// ports folder of symbolic links com1..comN (the folder is $DALVEX_PORTS, else
// $XDG_CONFIG_HOME/GSM/<ToolName>/ports), with a fixed default when a port has no link:
// COM1-16 = /dev/ttyUSB0-15, COM17-32 = /dev/ttyACM0-15, COM33-64 = /dev/ttyS0-31.

#include <optional>
#include <string>

namespace dalvex {

inline constexpr const char* kToolName = "Dalvex";

// $XDG_CONFIG_HOME, else $HOME/.config.
std::string configHome();
// The folder of comN links.
std::string portsFolder(const std::string& toolName = kToolName);

// The port number of "COM12", "com12", "\\.\COM12", "COM12:"; nothing for any other text.
std::optional<int> comPortNumber(const std::string& name);

// The device file that a COM name stands for, or nothing when it stands for none. An absolute
// path is taken as it is.
std::optional<std::string> resolveComDevice(const std::string& name);

// The stored and opened name of port n: "COM" + n for 1..9, "\\.\COM" + n from 10 on.
std::string comPortName(int n);
// The name as shown to the user: without a leading "\\.\".
std::string comDisplayName(const std::string& name);

} // namespace dalvex

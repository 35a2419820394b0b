#pragma once
// The serial link's exception and the fixed texts it carries.

#include <stdexcept>
#include <string>
#include <string_view>

class EVaCommError : public std::runtime_error {
public:
    explicit EVaCommError(const std::string& Message) : std::runtime_error(Message) {}
};

// Message patterns, word for word; %d is an error code and %s the system's text for it
// (or the device path where the text says so).
namespace VaMsg {
inline constexpr const char* PortOpen = "Can't perform this operation while port is open";
inline constexpr const char* DeviceNotFound = "Specified device not found (%s).";
inline constexpr const char* CantOpen = "Can't open specified device %s";
inline constexpr const char* CantOpenCode = " (Error %d, %s)";
inline constexpr const char* WriteDcb = "Error writing dcb (%d), %s";
inline constexpr const char* InitBuffers = "Error initializing buffers (%d), %s";
inline constexpr const char* SetTimeouts = "Error setting timeouts (%d), %s";
inline constexpr const char* SetEventMask = " Error setting EventMask (%d), %s";
inline constexpr const char* ClearBuffers = "Error clearing buffers (%d), %s";
inline constexpr const char* Statistics = "Error retrieving statistics (%d), %s";
inline constexpr const char* OutputFull = "Output buffer is full. Please check comm status.";
inline constexpr const char* WriteError = "Write error (%d), %s";
inline constexpr const char* ReadError = "Read error (%d), %s";
} // namespace VaMsg

// The system's text for an error code, without trailing blanks, line breaks and full stops.
std::string VaErrorText(int Code);

// Replaces every "%d" in Pattern by Code and every "%s" by Text; nothing else is interpreted,
// so a pattern never acts as a printf format.
std::string VaFillPattern(std::string_view Pattern, std::string_view Code, std::string_view Text);

// Raises Pattern filled with Code and its system text; a pattern without placeholders is
// raised unchanged.
[[noreturn]] void RaiseCommError(std::string_view Pattern, int Code);

// "Specified device not found (<Path>)."
[[noreturn]] void RaiseNotFound(const std::string& Path);

// "Can't open specified device <Path> (Error <Code>, <text>)"
[[noreturn]] void RaiseCantOpen(const std::string& Path, int Code);

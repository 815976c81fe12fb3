// What the tag operations tell the user when a file operation fails. Every box
// is titled "ERROR"; its text is formatted into 256 bytes and cut to fit.
#pragma once

#include <string>
#include <string_view>

#include "platform/ui/handle.h"

namespace tags::msg {

inline constexpr char kOpenForReading[] = "An error occured while attemping to open '%s' for reading.";
inline constexpr char kOpenForReadWrite[] = "An error occured while attemping to open '%s' for read/write access.";
inline constexpr char kOpenForWriteWithCode[] =
    "An error occured while attemping to open '%s' for read/write access.\n Error:%X";
// The file whose rewrite needed the temporary file is named on a line of its own.
inline constexpr char kTempForReadWrite[] =
    "An error occured while attemping to create temp file for read/write access.\n File: '%s'";
inline constexpr char kTempForWrite[] = "An error occured while attemping to create temp file for write access.\n File: '%s'";
inline constexpr char kUnsupportedVersion[] = "Version of ID3v2 used in file '%s' is not supported by Lirvane.";
// Failures found once the file is open; nothing of the file was lost.
inline constexpr char kReadFailed[] = "An error occured while reading '%s'. The file was left unchanged.";
inline constexpr char kWriteFailed[] = "An error occured while writing to '%s'.";
inline constexpr char kRewriteFailed[] = "An error occured while rewriting '%s'. The file was left unchanged.";
inline constexpr char kNoAudio[] = "No MPEG audio was found in '%s'. The file was left unchanged.";
inline constexpr char kTagTooLarge[] = "The new ID3v2.3 tag of '%s' is too large to be written.";

inline constexpr char kTitle[] = "ERROR";
inline constexpr std::size_t kBufferSize = 256;

// The message with the path for %s and the code for %X, cut to the buffer.
std::string format(const char* format, std::string_view path = {}, unsigned code = 0);
// Formats the message and shows it, titled "ERROR".
void show(platform::WindowHandle owner, const char* format, std::string_view path = {}, unsigned code = 0);

}  // namespace tags::msg

// What the tag operations tell their caller for the user when a file
// operation fails: the text names the file and is cut to 256 bytes.
#pragma once

#include <string>
#include <string_view>

#include "tags/tagresult.h"

namespace tags::msg {

inline constexpr char kOpenForReading[] = "An error occured while attemping to open '%s' for reading.";
inline constexpr char kOpenForReadWrite[] = "An error occured while attemping to open '%s' for read/write access.";
inline constexpr char kOpenForWriteWithCode[] =
    "An error occured while attemping to open '%s' for read/write access.\n Error:%X";
// The file whose rewrite needed the temporary file is named on a line of its own.
inline constexpr char kTempForReadWrite[] =
    "An error occured while attemping to create temp file for read/write access.\n File: '%s'";
inline constexpr char kTempForWrite[] =
    "An error occured while attemping to create temp file for write access.\n File: '%s'";
inline constexpr char kUnsupportedVersion[] = "Version of ID3v2 used in file '%s' is not supported by Lirvane.";
// Failures found once the file is open; nothing of the file was lost.
inline constexpr char kReadFailed[] = "An error occured while reading '%s'. The file was left unchanged.";
inline constexpr char kWriteFailed[] = "An error occured while writing to '%s'.";
inline constexpr char kRewriteFailed[] = "An error occured while rewriting '%s'. The file was left unchanged.";
inline constexpr char kNoAudio[] = "No MPEG audio was found in '%s'. The file was left unchanged.";
// The audio start is a 32-bit offset: a larger file must have its audio within it.
inline constexpr char kNoAudioInReach[] =
    "No MPEG audio was found in the first 4 GiB of '%s', and a tag cannot reach further. The file was left unchanged.";
// Another program wrote to the file, or put another in its place, while it was
// rewritten: what it did is kept.
inline constexpr char kChangedMeanwhile[] =
    "'%s' was changed by another program while it was being written. The file was left as that program made it.";
inline constexpr char kTagTooLarge[] = "The new ID3v2.3 tag of '%s' is too large to be written.";
// An ID3v2.2 tag is written as ID3v2.3, frame by frame: one frame has no ID3v2.3 form.
inline constexpr char kCannotConvert[] =
    "The ID3v2.2 tag of '%s' holds a frame that ID3v2.3 has no form for. The file was left unchanged.";
// A frame that declares more bytes than the file has: the tag cannot be read
// whole, and writing it anew would lose the frames after that one.
inline constexpr char kFrameTooLarge[] =
    "A frame of the ID3v2 tag of '%s' is larger than the file. The file was left unchanged.";

// The message with the path for %s and the code for %X, cut to 256 bytes.
std::string format(const char* format, std::string_view path = {}, unsigned code = 0);
// A failed outcome that tells the user why.
TagOutcome failure(TagResult result, const char* format, std::string_view path, unsigned code = 0);

}  // namespace tags::msg

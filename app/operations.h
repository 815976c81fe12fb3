// The six tag operations of the main window's buttons, each a walk over the
// chosen entries of the file list, last entry first.
#pragma once

#include <cstdint>
#include <string_view>

#include "app/program.h"

namespace app {

inline constexpr char kWritingV1[] = "Writing ID3v1.1 Tags...";
inline constexpr char kWritingV2[] = "Writing ID3v2.3 Tags...";
inline constexpr char kRemovingV1[] = "Removing ID3v1.1 Tags...";
inline constexpr char kRemovingV2[] = "Removing ID3v2.3 Tags...";
inline constexpr char kCopyingV1ToV2[] = "Copying ID3v1.1 To ID3v2.3...";
inline constexpr char kCopyingV2ToV1[] = "Copying ID3v2.3 To ID3v1.1...";

// The growth padding of every ID3v2.3 tag these operations write.
inline constexpr std::uint32_t kWalkPadding = 512;

void WriteV1();
void WriteV2();
void RemoveV1();
void RemoveV2();
void CopyV1ToV2();
void CopyV2ToV1();

// Runs the operation of button 1030 to 1035; false for any other command.
bool runTagOperation(int command);

// The value of a text of decimal digits, each weighed by its place in the
// whole text (up to its first zero byte) while at most `limit` characters are
// taken. Arithmetic wraps at 32 bits.
std::int32_t decimalTextValue(std::string_view text, std::size_t limit);

}  // namespace app

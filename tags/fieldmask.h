// The bit mask that selects tag fields. The first seven bits mean the same for
// both tag versions; the rest concern ID3v2.3 frames only.
#pragma once

namespace tags {

using FieldMask = unsigned;

inline constexpr FieldMask kFieldTitle = 0x001;
inline constexpr FieldMask kFieldArtist = 0x002;
inline constexpr FieldMask kFieldAlbum = 0x004;
inline constexpr FieldMask kFieldYear = 0x008;
inline constexpr FieldMask kFieldComment = 0x010;
inline constexpr FieldMask kFieldTrack = 0x020;
inline constexpr FieldMask kFieldGenre = 0x040;
inline constexpr FieldMask kFieldEncodedBy = 0x080;
inline constexpr FieldMask kFieldUrl = 0x100;
inline constexpr FieldMask kFieldCopyright = 0x200;
inline constexpr FieldMask kFieldOriginalArtist = 0x400;
inline constexpr FieldMask kFieldComposer = 0x800;
inline constexpr FieldMask kAllFields = 0x1FFF;  // what every caller passes

}  // namespace tags

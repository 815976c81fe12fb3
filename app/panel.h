// The tag panel of the main window: one row per field, its check box, the
// control that shows it, and whether the ID3v1.1 view has it.
#pragma once

#include <array>

#include "platform/ui/handle.h"
#include "res/resources.h"
#include "tags/fieldmask.h"
#include "tags/v2tag.h"

namespace app {

struct PanelField {
    tags::FieldMask bit;
    int check;
    int control;
    bool v2Only;  // disabled in the ID3v1.1 view
};

// In bit order, as the tag engine's field rows.
inline constexpr std::array<PanelField, tags::kSlotCount> kPanelFields = {{
    {tags::kFieldTitle, res::kTitleCheck, res::kTitleEdit, false},
    {tags::kFieldArtist, res::kArtistCheck, res::kArtistEdit, false},
    {tags::kFieldAlbum, res::kAlbumCheck, res::kAlbumEdit, false},
    {tags::kFieldYear, res::kYearCheck, res::kYearEdit, false},
    {tags::kFieldComment, res::kCommentCheck, res::kCommentEdit, false},
    {tags::kFieldTrack, res::kTrackCheck, res::kTrackEdit, false},
    {tags::kFieldGenre, res::kGenreCheck, res::kGenreCombo, false},
    {tags::kFieldEncodedBy, res::kEncodedByCheck, res::kEncodedByEdit, true},
    {tags::kFieldUrl, res::kUrlCheck, res::kUrlEdit, true},
    {tags::kFieldCopyright, res::kCopyrightCheck, res::kCopyrightEdit, true},
    {tags::kFieldOriginalArtist, res::kOrigArtistCheck, res::kOrigArtistEdit, true},
    {tags::kFieldComposer, res::kComposerCheck, res::kComposerEdit, true},
}};

// Fills the genre combo box of a dialog with the names of the genre table.
int fillGenreCombo(platform::WindowHandle dialog, int controlId);

}  // namespace app

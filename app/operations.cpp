#include "app/operations.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <cstdio>
#include <cstring>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "app/progress.h"
#include "res/resources.h"
#include "tags/textcodec.h"

namespace app {
namespace {

using tags::FieldMask;
using tags::TagResult;

constexpr std::size_t kV1TextLimit = 30;
constexpr std::size_t kV1YearLimit = 4;
constexpr std::size_t kV1CommentLimit = 28;
constexpr std::size_t kV1GenreLimit = 19;
constexpr unsigned kTrackByteMask = 0xFF;
constexpr char kTrackSeparator = '/';
constexpr char kDigitZero = '0';
constexpr std::uint32_t kDecimalBase = 10;
// 10^k is a multiple of 2^32 from k = 32 on: those places add nothing.
constexpr std::size_t kPlacesThatCount = 32;
constexpr char kReferenceOpen = '(';
constexpr char kReferenceClose = ')';
constexpr std::size_t kShortestReference = 3;  // "(0)"

using PerFile = std::function<void(WindowHandle main)>;

bool checked(WindowHandle main, int id) { return platform::isDlgButtonChecked(main, id) == platform::BST_CHECKED; }

std::string panelText(WindowHandle main, int id) { return platform::getWindowText(platform::getDlgItem(main, id)); }

// Copies an entry into the path buffer, cut to fit.
void takePath(const std::string& entry) {
    const std::size_t copied = std::min(entry.size(), kCurrentPathSize - 1);
    std::memcpy(CurrentPath, entry.data(), copied);
    CurrentPath[copied] = '\0';
}

// The walk every operation shares: the chosen entries from the last to the
// first, the bar, Cancel, and at the end the panel shows the current entry again.
void walk(const char* status, const PerFile& perFile) {
    const WindowHandle main = MainWindowHandle;
    const WindowHandle list = platform::getDlgItem(main, res::kFileList);
    {
        const WalkScope scope(list, checked(main, res::kScopeAll));
        ProgressRun progress(status, scope.inScopeCount());
        progress.walk(scope, [&](int index) {
            takePath(platform::listGetText(list, index));
            perFile(main);
        });
    }
    platform::sendMessage(main, platform::WM_COMMAND, platform::makeWParam(res::kFileList, platform::LBN_SELCHANGE),
                          static_cast<platform::LParam>(list.value));
}

// --- ID3v1.1 -----------------------------------------------------------------

// Clears a record field over its whole width and puts at most `limit`
// characters of the text into it, in Windows-1252.
void putV1Text(std::span<char> field, std::string_view utf8, std::size_t limit) {
    std::ranges::fill(field, '\0');
    const std::string text = tags::text::toV1(utf8, std::min(limit, field.size() - 1));
    std::ranges::copy(text, field.begin());
}

struct V1Row {
    int check;
    int control;
    FieldMask bit;
    std::span<char> (*field)(tags::V1Tag&);
    std::size_t limit;
};

constexpr V1Row kV1TextRows[] = {
    {res::kTitleCheck, res::kTitleEdit, tags::kFieldTitle, [](tags::V1Tag& t) { return std::span<char>(t.title); }, kV1TextLimit},
    {res::kArtistCheck, res::kArtistEdit, tags::kFieldArtist, [](tags::V1Tag& t) { return std::span<char>(t.artist); }, kV1TextLimit},
    {res::kAlbumCheck, res::kAlbumEdit, tags::kFieldAlbum, [](tags::V1Tag& t) { return std::span<char>(t.album); }, kV1TextLimit},
    {res::kYearCheck, res::kYearEdit, tags::kFieldYear, [](tags::V1Tag& t) { return std::span<char>(t.year); }, kV1YearLimit},
    {res::kCommentCheck, res::kCommentEdit, tags::kFieldComment, [](tags::V1Tag& t) { return std::span<char>(t.comment); }, kV1CommentLimit},
};

// Fills the record from the checked panel fields and returns their mask.
FieldMask v1FromPanel(WindowHandle main) {
    FieldMask mask = 0;
    for (const V1Row& row : kV1TextRows) {
        if (!checked(main, row.check)) continue;
        putV1Text(row.field(TheV1Tag), panelText(main, row.control), row.limit);
        mask |= row.bit;
    }
    if (checked(main, res::kTrackCheck)) {
        bool translated = false;
        TheV1Tag.track = static_cast<unsigned char>(platform::getDlgItemInt(main, res::kTrackEdit, &translated, false) & kTrackByteMask);
        mask |= tags::kFieldTrack;
    }
    if (checked(main, res::kGenreCheck)) {
        TheV1Tag.setGenreByName(tags::text::toV1(panelText(main, res::kGenreCombo), kV1GenreLimit).c_str());
        mask |= tags::kFieldGenre;
    }
    return mask;
}

void writeV1File(WindowHandle main) {
    const FieldMask mask = v1FromPanel(main);
    TheV1Tag.write(main, CurrentPath, mask);
}

// --- ID3v2.3 slots -------------------------------------------------------------

tags::FrameSlot& slotOf(FieldMask bit) { return TheV2Tag.slots[tags::slotOfField(bit)]; }

// Gives a slot a new body holding the text in the encoding it needs, with a
// terminator when asked for. A slot whose buffer cannot be had stays empty.
void fillSlot(FieldMask bit, std::string_view text, bool terminated) {
    const std::vector<std::uint8_t> body = tags::text::makeBody(text, tags::slotLayout(tags::slotOfField(bit)), terminated);
    TheV2Tag.freeFields(bit);
    if (TheV2Tag.allocFields(bit, static_cast<std::uint32_t>(body.size())) != tags::TagSuccess) return;
    std::ranges::copy(body, slotOf(bit).buffer.get());
}

// Only a tag read whole, or no tag at all, may be written anew: after any
// other read (another version, frames beyond memory, a file that could not be
// read) writing the record would drop the frames it lacks.
bool tagCanBeRewritten(TagResult readResult) {
    return readResult == tags::TagSuccess || readResult == tags::TagNoV2Header;
}

struct V2Row {
    int check;
    int control;
    FieldMask bit;
};

constexpr V2Row kV2Rows[] = {
    {res::kTitleCheck, res::kTitleEdit, tags::kFieldTitle},
    {res::kArtistCheck, res::kArtistEdit, tags::kFieldArtist},
    {res::kAlbumCheck, res::kAlbumEdit, tags::kFieldAlbum},
    {res::kYearCheck, res::kYearEdit, tags::kFieldYear},
    {res::kCommentCheck, res::kCommentEdit, tags::kFieldComment},
    {res::kTrackCheck, res::kTrackEdit, tags::kFieldTrack},
    {res::kGenreCheck, res::kGenreCombo, tags::kFieldGenre},
    {res::kComposerCheck, res::kComposerEdit, tags::kFieldComposer},
    {res::kCopyrightCheck, res::kCopyrightEdit, tags::kFieldCopyright},
    {res::kEncodedByCheck, res::kEncodedByEdit, tags::kFieldEncodedBy},
    {res::kOrigArtistCheck, res::kOrigArtistEdit, tags::kFieldOriginalArtist},
    {res::kUrlCheck, res::kUrlEdit, tags::kFieldUrl},
};

void writeV2File(WindowHandle main) {
    if (tagCanBeRewritten(TheV2Tag.read(main, CurrentPath))) {
        for (const V2Row& row : kV2Rows) {
            if (checked(main, row.check)) fillSlot(row.bit, panelText(main, row.control), true);
        }
        TheV2Tag.write(main, CurrentPath, tags::kAllFields, kWalkPadding);
    }
    TheV2Tag.freeFields(tags::kAllFields);
}

// --- Copies --------------------------------------------------------------------

std::string recordText(std::span<const char> field) { return tags::text::fromV1({field.data(), field.size()}); }

std::string trackDigits(unsigned char track) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%u", static_cast<unsigned>(track));
    return digits;
}

std::string v1GenreName() {
    char name[tags::kGenreNameBuffer] = {};
    TheV1Tag.genreName(name);
    return name;
}

void copyV1ToV2File(WindowHandle main) {
    if (TheV1Tag.read(main, CurrentPath) != tags::TagSuccess) return;
    if (tagCanBeRewritten(TheV2Tag.read(main, CurrentPath))) {
        fillSlot(tags::kFieldTitle, recordText(TheV1Tag.title), false);
        fillSlot(tags::kFieldAlbum, recordText(TheV1Tag.album), false);
        fillSlot(tags::kFieldArtist, recordText(TheV1Tag.artist), false);
        fillSlot(tags::kFieldComment, recordText(TheV1Tag.comment), false);
        fillSlot(tags::kFieldYear, recordText(TheV1Tag.year), false);
        fillSlot(tags::kFieldTrack, trackDigits(TheV1Tag.track), false);
        fillSlot(tags::kFieldGenre, v1GenreName(), false);
        // No soft removal first: the write replaces the whole old tag by
        // itself, and a removal followed by a failed write would lose it.
        TheV2Tag.write(main, CurrentPath, tags::kAllFields, kWalkPadding);
    }
    TheV2Tag.freeFields(tags::kAllFields);
}

// The text of a slot, read by its encoding byte.
std::string slotText(FieldMask bit) { return tags::text::bodyText(slotOf(bit).body(), tags::slotLayout(tags::slotOfField(bit))); }

// "5/12" is track 5 of 12: only the digits before the slash count.
unsigned char trackFromText(std::string_view text) {
    const std::string_view number = text.substr(0, text.find(kTrackSeparator));
    return static_cast<unsigned char>(static_cast<std::uint32_t>(decimalTextValue(number, number.size())) & kTrackByteMask);
}

// The genre byte a TCON text names: a table name, or a reference such as "(17)".
std::optional<unsigned char> genreOfText(std::string_view text) {
    const std::string_view name = text.substr(0, text.find('\0'));
    if (const unsigned char named = tags::genreByName(name); named != tags::NoGenre) return named;
    if (name.size() < kShortestReference || name.front() != kReferenceOpen || name.back() != kReferenceClose) return {};
    const std::string_view digits = name.substr(1, name.size() - 2);
    unsigned index = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (error != std::errc() || end != digits.data() + digits.size() || index >= tags::kGenreCount) return {};
    return static_cast<unsigned char>(index);
}

void copyV2ToV1File(WindowHandle main) {
    if (TheV2Tag.read(main, CurrentPath) == tags::TagSuccess) {
        putV1Text(TheV1Tag.title, slotText(tags::kFieldTitle), kV1TextLimit);
        putV1Text(TheV1Tag.artist, slotText(tags::kFieldArtist), kV1TextLimit);
        putV1Text(TheV1Tag.album, slotText(tags::kFieldAlbum), kV1TextLimit);
        putV1Text(TheV1Tag.year, slotText(tags::kFieldYear), kV1YearLimit);
        putV1Text(TheV1Tag.comment, slotText(tags::kFieldComment), kV1CommentLimit);
        TheV1Tag.track = trackFromText(slotText(tags::kFieldTrack));
        // A text that names no genre leaves the file's own genre byte (none
        // in a new trailer), never one left over from another file.
        FieldMask mask = tags::kAllFields;
        if (const auto genre = genreOfText(slotText(tags::kFieldGenre))) {
            TheV1Tag.genre = *genre;
        } else {
            mask &= ~tags::kFieldGenre;
        }
        TheV1Tag.write(main, CurrentPath, mask);
    }
    TheV2Tag.freeFields(tags::kAllFields);
}

}  // namespace

void WriteV1() { walk(kWritingV1, writeV1File); }
void WriteV2() { walk(kWritingV2, writeV2File); }
void RemoveV1() {
    walk(kRemovingV1, [](WindowHandle main) { TheV1Tag.remove(main, CurrentPath, QuickV1); });
}
void RemoveV2() {
    walk(kRemovingV2, [](WindowHandle main) { TheV2Tag.remove(main, CurrentPath, QuickV2); });
}
void CopyV1ToV2() { walk(kCopyingV1ToV2, copyV1ToV2File); }
void CopyV2ToV1() { walk(kCopyingV2ToV1, copyV2ToV1File); }

bool runTagOperation(int command) {
    switch (command) {
        case res::kApplyV1: WriteV1(); return true;
        case res::kApplyV2: WriteV2(); return true;
        case res::kRemoveV1: RemoveV1(); return true;
        case res::kRemoveV2: RemoveV2(); return true;
        case res::kCopyV1ToV2: CopyV1ToV2(); return true;
        case res::kCopyV2ToV1: CopyV2ToV1(); return true;
        default: return false;
    }
}

// Only the last eight digits can change the low byte, but the whole sum is
// kept (modulo 2^32) so that texts of up to nine digits give their value.
std::int32_t decimalTextValue(std::string_view text, std::size_t limit) {
    const std::size_t length = std::min(text.find('\0'), text.size());
    const std::size_t taken = std::min(limit, length);
    std::uint32_t weight = 1;  // of the last character taken: 10^(length - taken)
    for (std::size_t k = 0; k < std::min(length - taken, kPlacesThatCount); ++k) weight *= kDecimalBase;
    std::uint32_t sum = 0;
    for (std::size_t i = taken; i-- > 0; weight *= kDecimalBase) {
        const auto digit = static_cast<std::int32_t>(static_cast<signed char>(text[i])) - kDigitZero;
        sum += static_cast<std::uint32_t>(digit) * weight;
    }
    return static_cast<std::int32_t>(sum);
}

}  // namespace app

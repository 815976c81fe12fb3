#include "app/operations.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <cstring>
#include <functional>
#include <string>

#include "app/panel.h"
#include "res/resources.h"
#include "tags/fields.h"
#include "tags/textcodec.h"
#include "walk/progress.h"
#include "walk/report.h"

namespace app {
namespace {

using tags::FieldMask;
using tags::TagField;
using tags::TagResult;
using tags::V1Kind;

constexpr unsigned kTrackByteMask = 0xFF;
constexpr char kTrackSeparator = '/';
constexpr char kDigitZero = '0';
constexpr std::uint32_t kDecimalBase = 10;
// 10^k is a multiple of 2^32 from k = 32 on: those places add nothing.
constexpr std::size_t kPlacesThatCount = 32;
constexpr char kReferenceOpen = '(';
constexpr char kReferenceClose = ')';
constexpr std::size_t kShortestReference = 3;  // "(0)"

// What a walk does to one file, opened once for the whole step.
using PerFile = std::function<void(WindowHandle main, tags::TagFile& file)>;

bool checked(WindowHandle main, int id) { return platform::isDlgButtonChecked(main, id) == platform::BST_CHECKED; }

std::string panelText(WindowHandle main, int id) { return platform::getWindowText(platform::getDlgItem(main, id)); }

// The walk every operation shares: the chosen entries from the last to the
// first, the bar, Cancel, and at the end the panel shows the current entry again.
void walkList(const char* status, const PerFile& perFile) {
    const WindowHandle main = MainWindowHandle;
    const WindowHandle list = platform::getDlgItem(main, res::kFileList);
    {
        const walking::WalkScope scope(list, checked(main, res::kScopeAll));
        walking::ProgressRun progress(*ModuleInstance, status, scope.inScopeCount());
        progress.closeEndsWalk(main);
        // One handle for the walk: its buffers serve every file in turn.
        tags::TagFile file(scope.inScopeCount());
        progress.walk(scope, [&](int index) {
            platform::listGetText(list, index, CurrentPath);
            file.open(CurrentPath, true);
            perFile(main, file);
        });
    }
    platform::sendMessage(main, platform::WM_COMMAND, platform::makeWParam(res::kFileList, platform::LBN_SELCHANGE),
                          static_cast<platform::LParam>(list.value));
}

// Tells the user what went wrong, if anything, and passes the result on.
TagResult reported(WindowHandle main, const tags::TagOutcome& outcome) {
    walking::report(main, outcome);
    return outcome.result;
}

// --- ID3v1.1 -----------------------------------------------------------------

// Fills the record from the checked panel fields and returns their mask.
FieldMask v1FromPanel(WindowHandle main) {
    FieldMask mask = 0;
    for (const PanelField& row : kPanelFields) {
        const TagField& field = tags::tagField(row.bit);
        if (field.v1 == V1Kind::Absent || !checked(main, row.check)) continue;
        mask |= row.bit;
        if (field.v1 == V1Kind::Text) {
            tags::setV1Text(TheV1Tag, field, panelText(main, row.control));
        } else if (field.v1 == V1Kind::Track) {
            bool translated = false;
            const unsigned track = platform::getDlgItemInt(main, row.control, &translated, false);
            TheV1Tag.track = static_cast<unsigned char>(track & kTrackByteMask);
        } else {
            TheV1Tag.setGenreByName(tags::text::toV1(panelText(main, row.control), tags::kGenreNameBuffer - 1).c_str());
        }
    }
    return mask;
}

// The panel cannot change while a walk runs (its pump serves only the
// progress window), so it is read once, at the first file, not with a dozen
// searches of the main window's controls for every file of the walk.
PerFile v1Writer() {
    return [mask = std::optional<FieldMask>()](WindowHandle main, tags::TagFile& file) mutable {
        if (!mask) mask = v1FromPanel(main);
        reported(main, TheV1Tag.write(file, *mask));
    };
}

// --- ID3v2.3 -------------------------------------------------------------------

// Only a tag read whole, or no tag at all, may be written anew: after any
// other read (another version, frames beyond memory, a file that could not be
// read) writing the record would drop the frames it lacks.
bool tagCanBeRewritten(TagResult readResult) {
    return readResult == tags::TagSuccess || readResult == tags::TagNoV2Header;
}

// A slot whose buffer cannot be had stays empty, and the write goes on without it.
void fillSlot(const TagField& field, std::string_view text, bool terminated) {
    static_cast<void>(tags::setV2Text(TheV2Tag, field, text, terminated));
}

void writeV2File(WindowHandle main, tags::TagFile& file) {
    if (tagCanBeRewritten(reported(main, TheV2Tag.read(file)))) {
        for (const PanelField& row : kPanelFields) {
            if (checked(main, row.check)) fillSlot(tags::tagField(row.bit), panelText(main, row.control), true);
        }
        reported(main, TheV2Tag.write(file, tags::kAllFields, kWalkPadding));
    }
    TheV2Tag.freeFields(tags::kAllFields);
}

// --- Copies --------------------------------------------------------------------

void copyV1ToV2File(WindowHandle main, tags::TagFile& file) {
    if (reported(main, TheV1Tag.read(file)) != tags::TagSuccess) return;
    if (tagCanBeRewritten(reported(main, TheV2Tag.read(file)))) {
        for (const TagField& field : tags::kFields) {
            if (field.v1 != V1Kind::Absent) fillSlot(field, tags::v1Text(TheV1Tag, field), false);
        }
        // No soft removal first: the write replaces the whole old tag by
        // itself, and a removal followed by a failed write would lose it.
        reported(main, TheV2Tag.write(file, tags::kAllFields, kWalkPadding));
    }
    TheV2Tag.freeFields(tags::kAllFields);
}

// "5/12" is track 5 of 12: only the digits before the slash count.
unsigned char trackFromText(std::string_view text) {
    const std::string_view number = text.substr(0, text.find(kTrackSeparator));
    return static_cast<unsigned char>(static_cast<std::uint32_t>(decimalTextValue(number, number.size())) &
                                      kTrackByteMask);
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

// Fills the record from the slots and returns the fields to write: all of
// them, but a genre text that names no genre leaves the file's own genre byte
// (none in a new trailer), never one left over from another file.
FieldMask v1FromSlots() {
    FieldMask mask = tags::kAllFields;
    for (const TagField& field : tags::kFields) {
        if (field.v1 == V1Kind::Absent) continue;
        const std::string text = tags::v2Text(TheV2Tag, field);
        if (field.v1 == V1Kind::Text) tags::setV1Text(TheV1Tag, field, text);
        if (field.v1 == V1Kind::Track) TheV1Tag.track = trackFromText(text);
        if (field.v1 != V1Kind::Genre) continue;
        if (const auto genre = genreOfText(text)) {
            TheV1Tag.genre = *genre;
        } else {
            mask &= ~field.bit;
        }
    }
    return mask;
}

void copyV2ToV1File(WindowHandle main, tags::TagFile& file) {
    if (reported(main, TheV2Tag.read(file)) == tags::TagSuccess) {
        const FieldMask mask = v1FromSlots();
        reported(main, TheV1Tag.write(file, mask));
    }
    TheV2Tag.freeFields(tags::kAllFields);
}

}  // namespace

void WriteV1() { walkList(kWritingV1, v1Writer()); }
void WriteV2() { walkList(kWritingV2, writeV2File); }
void RemoveV1() {
    walkList(kRemovingV1,
             [](WindowHandle main, tags::TagFile& file) { reported(main, TheV1Tag.remove(file, QuickV1)); });
}
void RemoveV2() {
    walkList(kRemovingV2,
             [](WindowHandle main, tags::TagFile& file) { reported(main, TheV2Tag.remove(file, QuickV2)); });
}
void CopyV1ToV2() { walkList(kCopyingV1ToV2, copyV1ToV2File); }
void CopyV2ToV1() { walkList(kCopyingV2ToV1, copyV2ToV1File); }

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

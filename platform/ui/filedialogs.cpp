#include "platform/ui/filedialogs.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/portal.h"
#include "platform/text.h"
#include "platform/ui/controls.h"
#include "platform/ui/input.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/ui.h"
#include "platform/ui/window.h"

namespace platform {
namespace {

// Controls of the file dialog and of the folder browser.
constexpr int kTitleText = 1100;
constexpr int kFolderText = 1101;
constexpr int kEntryList = 1102;
constexpr int kNameEdit = 1103;
constexpr int kTypeCombo = 1104;

constexpr char kUpEntry[] = "[..]";
constexpr char kRoot[] = "/";
constexpr char kNotFound[] = "%s\nFile not found.\nCheck the file name and try again.";
constexpr char kNoFolder[] = "%s\nThe folder does not exist.";
constexpr char kTooLong[] = "%s\nThe path is too long.";
constexpr std::size_t kMessageSize = 512;
constexpr int kDialogFont = 8;

struct Entry {
    std::string name;
    bool folder;
};

// The absolute form of a typed path, with "." and ".." resolved.
std::string absolutePath(const std::string& current, std::string_view typed) {
    std::string path = typed.starts_with(kSeparator) ? std::string(kRoot) : current;
    std::size_t start = 0;
    while (start <= typed.size()) {
        const std::size_t end = std::min(typed.find(kSeparator, start), typed.size());
        const std::string_view part = typed.substr(start, end - start);
        if (part == "..")
            path = folderOf(path);
        else if (!part.empty() && part != ".")
            path = joinPath(path, part);
        start = end + 1;
    }
    return path;
}

// Matches by character: '?' stands for one, '*' for any number.
bool globMatch(std::string_view pattern, std::string_view name) {
    if (pattern.empty()) return name.empty();
    if (pattern[0] == '*') {
        for (std::size_t skip = 0;; skip = nextCharacter(name, skip)) {
            if (globMatch(pattern.substr(1), name.substr(skip))) return true;
            if (skip == name.size()) return false;
        }
    }
    if (name.empty()) return false;
    const std::size_t patternChar = nextCharacter(pattern, 0);
    const std::size_t nameChar = nextCharacter(name, 0);
    const bool same = pattern[0] == '?' || compareNoCase(pattern.substr(0, patternChar), name.substr(0, nameChar)) == 0;
    return same && globMatch(pattern.substr(patternChar), name.substr(nameChar));
}

// Patterns may be several, separated by ';'. "*.*" matches every name.
std::vector<std::string_view> patternsOf(std::string_view patterns) {
    std::vector<std::string_view> each;
    for (std::size_t start = 0; start <= patterns.size();) {
        const std::size_t end = std::min(patterns.find(';', start), patterns.size());
        each.push_back(patterns.substr(start, end - start));
        start = end + 1;
    }
    return each;
}

bool matchesFilter(std::string_view patterns, std::string_view name) {
    const std::vector<std::string_view> each = patternsOf(patterns);
    return std::any_of(each.begin(), each.end(),
                       [&](std::string_view pattern) { return pattern == "*.*" || globMatch(pattern, name); });
}

struct FilterPair {
    std::string shown;
    std::string patterns;
};

// A filter list: pairs of zero-terminated strings, ended by an empty string.
std::vector<FilterPair> filterPairs(const char* filter) {
    std::vector<FilterPair> pairs;
    for (const char* at = filter; at && *at;) {
        FilterPair pair{at, {}};
        at += pair.shown.size() + 1;
        pair.patterns = at;
        at += pair.patterns.size() + 1;
        pairs.push_back(std::move(pair));
    }
    return pairs;
}

std::vector<Entry> readFolder(const std::string& folder, std::string_view patterns, bool foldersOnly) {
    std::vector<Entry> folders;
    std::vector<Entry> files;
    FolderReader reader;
    FolderEntry entry;
    if (reader.open(folder) == 0) {
        while (reader.next(entry) == 1) {
            if (entry.name == "." || entry.name == "..") continue;
            const bool isFolder = entry.isFolder || pathKind(joinPath(folder, entry.name)) == PathKind::Folder;
            if (isFolder)
                folders.push_back({entry.name, true});
            else if (!foldersOnly && matchesFilter(patterns, entry.name))
                files.push_back({entry.name, false});
        }
    }
    const auto byName = [](const Entry& a, const Entry& b) { return compareNoCase(a.name, b.name) < 0; };
    std::sort(folders.begin(), folders.end(), byName);
    std::sort(files.begin(), files.end(), byName);
    if (folder != kRoot) folders.insert(folders.begin(), {"..", true});
    folders.insert(folders.end(), files.begin(), files.end());
    return folders;
}

void showProblem(WindowHandle dialog, const char* format, std::string_view subject) {
    messageBox(dialog, formatMessage(format, subject, 0, kMessageSize), getWindowText(dialog));
}

// What both dialogs share: a folder shown with its entries in a list.
struct FolderView {
    std::string folder;
    std::vector<Entry> entries;
    std::string patterns = "*.*";
    bool foldersOnly = false;

    bool open(WindowHandle dialog, const std::string& path) {
        if (path.size() > kMaxPath) {
            showProblem(dialog, kTooLong, path);
            return false;
        }
        if (pathKind(path) != PathKind::Folder) {
            showProblem(dialog, kNoFolder, path);
            return false;
        }
        folder = path;
        refill(dialog);
        return true;
    }

    // After a folder opens its first entry is highlighted, so that Enter in
    // the list goes on working.
    void refill(WindowHandle dialog) {
        entries = readFolder(folder, patterns, foldersOnly);
        const WindowHandle list = getDlgItem(dialog, kEntryList);
        listResetContent(list);
        for (const Entry& entry : entries) listAddString(list, entry.name == ".." ? kUpEntry : displayName(entry));
        listSetCurSel(list, 0);
        setDlgItemText(dialog, kFolderText, folder);
    }

    static std::string displayName(const Entry& entry) { return entry.folder ? "[" + entry.name + "]" : entry.name; }

    // The highlighted entry: the one at the list's caret, when it is picked.
    const Entry* highlighted(WindowHandle dialog) const {
        const WindowHandle list = getDlgItem(dialog, kEntryList);
        const int caret = listGetCaretIndex(list);
        if (caret < 0 || caret >= static_cast<int>(entries.size()) || listGetSel(list, caret) != 1) return nullptr;
        return &entries[static_cast<std::size_t>(caret)];
    }

    std::string pathOf(const Entry& entry) const {
        return entry.name == ".." ? folderOf(folder) : joinPath(folder, entry.name);
    }

    // Opens the highlighted folder; false when no folder is highlighted.
    bool enterHighlightedFolder(WindowHandle dialog) {
        const Entry* entry = highlighted(dialog);
        if (entry == nullptr || !entry->folder) return false;
        open(dialog, pathOf(*entry));
        return true;
    }

    bool listHasFocus(WindowHandle dialog) const {
        const WindowHandle list = getDlgItem(dialog, kEntryList);
        return getFocus() == list && topLevelOf(list) == dialog;
    }
};

// --- The open and save dialog -----------------------------------------------

struct FileDialog {
    OpenFileName* request;
    FolderView view;
    std::vector<std::string> filterPatterns;
    bool saving;
};

FileDialog* fileDialogOf(WindowHandle dialog) { return reinterpret_cast<FileDialog*>(dialogData(dialog)); }

void fillTypes(WindowHandle dialog, FileDialog& state) {
    const WindowHandle types = getDlgItem(dialog, kTypeCombo);
    for (const FilterPair& pair : filterPairs(state.request->filter)) {
        comboAddString(types, pair.shown);
        state.filterPatterns.push_back(pair.patterns);
    }
    const int chosen = std::clamp(state.request->filterIndex - 1, 0, std::max(0, comboGetCount(types) - 1));
    comboSetCurSel(types, chosen);
    if (!state.filterPatterns.empty()) state.view.patterns = state.filterPatterns[static_cast<std::size_t>(chosen)];
}

std::vector<std::string> selectedFileNames(WindowHandle dialog, const FileDialog& state) {
    std::vector<std::string> names;
    for (int index : listGetSelItems(getDlgItem(dialog, kEntryList))) {
        const Entry& entry = state.view.entries[static_cast<std::size_t>(index)];
        if (!entry.folder) names.push_back(entry.name);
    }
    if (names.empty()) {
        const int selected = listGetCurSel(getDlgItem(dialog, kEntryList));
        if (selected >= 0 && !state.view.entries[static_cast<std::size_t>(selected)].folder) {
            names.push_back(state.view.entries[static_cast<std::size_t>(selected)].name);
        }
    }
    return names;
}

// The name field shows what "Abrir" takes: the chosen files, or nothing when
// a folder is highlighted, which "Abrir" then opens.
void showChosenNames(WindowHandle dialog, const FileDialog& state) {
    const std::vector<std::string> names = selectedFileNames(dialog, state);
    if (names.empty()) {
        const Entry* entry = state.view.highlighted(dialog);
        if (entry != nullptr && entry->folder) setDlgItemText(dialog, kNameEdit, "");
        return;
    }
    std::string text = names.size() == 1 ? names[0] : std::string();
    if (names.size() > 1) {
        for (const std::string& name : names) text += (text.empty() ? "\"" : " \"") + name + "\"";
    }
    setDlgItemText(dialog, kNameEdit, text);
}

// A typed name field: one name or path, or several names in double quotes.
std::vector<std::string> typedNames(std::string_view text) {
    std::vector<std::string> names;
    if (text.find('"') == std::string_view::npos) {
        const std::size_t first = text.find_first_not_of(' ');
        const std::size_t last = text.find_last_not_of(' ');
        if (first != std::string_view::npos) names.emplace_back(text.substr(first, last - first + 1));
        return names;
    }
    std::size_t at = 0;
    while ((at = text.find('"', at)) != std::string_view::npos) {
        const std::size_t end = text.find('"', at + 1);
        if (end == std::string_view::npos) break;
        if (end > at + 1) names.emplace_back(text.substr(at + 1, end - at - 1));
        at = end + 1;
    }
    return names;
}

// Writes the result: one full path, or the folder followed by the names.
bool writeResult(std::span<char> buffer, const std::string& folder, const std::vector<std::string>& names) {
    std::string result;
    if (names.size() == 1) {
        result = joinPath(folder, names[0]);
        result += '\0';
    } else {
        result = folder + '\0';
        for (const std::string& name : names) result += name + '\0';
    }
    result += '\0';
    if (result.size() > buffer.size()) return false;
    std::copy(result.begin(), result.end(), buffer.begin());
    return true;
}

void finishChoice(WindowHandle dialog, FileDialog& state, const std::string& folder,
                  const std::vector<std::string>& names) {
    OpenFileName& request = *state.request;
    const bool mustExist = (request.flags & OFN_FILEMUSTEXIST) != 0;
    for (const std::string& name : names) {
        const std::string path = joinPath(folder, name);
        if (path.size() > kMaxPath) return showProblem(dialog, kTooLong, path);
        if (mustExist && pathKind(path) != PathKind::File) return showProblem(dialog, kNotFound, name);
    }
    if (!writeResult(request.file, folder, names)) {
        desktop().fileDialogError = FNERR_BUFFERTOOSMALL;  // the dialog fails; its caller can tell why
        endDialog(dialog, 0);
        return;
    }
    if (!(request.flags & OFN_NOCHANGEDIR)) changeFolder(folder);
    endDialog(dialog, 1);
}

// Enter in the list acts on its highlighted entry, Enter in the name field on
// what is typed there; the button takes the typed names, else the highlighted folder.
void acceptFileChoice(WindowHandle dialog, FileDialog& state) {
    if (state.view.listHasFocus(dialog) && state.view.enterHighlightedFolder(dialog)) return;
    const WindowHandle nameField = getDlgItem(dialog, kNameEdit);
    const std::vector<std::string> names = typedNames(getWindowText(nameField));
    if (names.empty()) {
        if (getFocus() != nameField) state.view.enterHighlightedFolder(dialog);
        return;
    }
    if (names.size() > 1) {
        if (state.request->flags & OFN_ALLOWMULTISELECT) finishChoice(dialog, state, state.view.folder, names);
        return;
    }
    const std::string path = absolutePath(state.view.folder, names[0]);
    if (pathKind(path) == PathKind::Folder) {
        if (state.view.open(dialog, path)) setDlgItemText(dialog, kNameEdit, "");
        return;
    }
    const std::string folder = folderOf(path);
    if (pathKind(folder) != PathKind::Folder) return showProblem(dialog, kNoFolder, folder);
    finishChoice(dialog, state, folder, {path.substr(path.rfind(kSeparator) + 1)});
}

std::intptr_t fileDialogProc(WindowHandle dialog, unsigned message, WParam wParam, LParam lParam) {
    if (message == WM_INITDIALOG) {
        auto* state = reinterpret_cast<FileDialog*>(lParam);
        setDialogData(dialog, lParam);
        if (state->request->title) setWindowText(dialog, state->request->title);
        fillTypes(dialog, *state);
        const char* start = state->request->initialDir ? state->request->initialDir : ".";
        const std::string folder = absolutePath(currentFolder(), start);
        if (!state->view.open(dialog, folder)) state->view.open(dialog, currentFolder());
        setDlgItemText(dialog, kNameEdit, state->request->file.empty() ? "" : state->request->file.data());
        return kHandled;
    }
    FileDialog* state = fileDialogOf(dialog);
    if (message != WM_COMMAND || state == nullptr) return kNotHandled;
    const int id = static_cast<int>(loWord(wParam));
    const unsigned code = hiWord(wParam);
    if (id == kEntryList && code == LBN_SELCHANGE) showChosenNames(dialog, *state);
    if (id == kEntryList && code == LBN_DBLCLK && !state->view.enterHighlightedFolder(dialog)) {
        acceptFileChoice(dialog, *state);
    }
    if (id == kTypeCombo && code == CBN_SELCHANGE) {
        const int chosen = comboGetCurSel(getDlgItem(dialog, kTypeCombo));
        if (chosen >= 0) state->view.patterns = state->filterPatterns[static_cast<std::size_t>(chosen)];
        state->view.refill(dialog);
    }
    if (id == IDOK) acceptFileChoice(dialog, *state);
    if (id == IDCANCEL) endDialog(dialog, 0);
    return kHandled;
}

// --- The desktop's own chooser ----------------------------------------------------

std::vector<portal::Filter> chooserFilters(const char* filter) {
    std::vector<portal::Filter> filters;
    for (const FilterPair& pair : filterPairs(filter)) {
        portal::Filter added{pair.shown, {}};
        for (std::string_view pattern : patternsOf(pair.patterns)) {
            if (!pattern.empty()) added.patterns.emplace_back(pattern);
        }
        filters.push_back(std::move(added));
    }
    return filters;
}

// Asks the desktop's chooser, when the windows stand on a desktop: its owner
// is disabled as under a modal dialog, and the other windows go on working.
portal::FileAnswer askDesktop(WindowHandle owner, portal::FileQuestion question) {
    InputSource* source = inputSource();
    if (source == nullptr || !source->offersDesktopDialogs()) return {};
    question.parentWindow = source->windowSystemName(topLevelOf(owner));
    question.folder = currentFolder();
    const bool disableOwner = isWindow(owner) && isWindowEnabled(owner);
    if (disableOwner) enableWindow(owner, false);
    portal::FileAnswer answer = portal::ask(question, [] {
        Msg msg;
        while (peekMessage(msg, {})) {
            if (!isDialogMessage(topLevelOf(msg.window), msg)) dispatchMessage(msg);
        }
        return !quitRequested();
    });
    if (disableOwner) enableWindow(owner, true);
    return answer;
}

// The deepest folder that holds every path, and each path below it.
std::pair<std::string, std::vector<std::string>> splitCommonFolder(const std::vector<std::string>& paths) {
    std::string folder = folderOf(paths.front());
    const auto holds = [&](const std::string& path) {
        return folder == kRoot || path.starts_with(folder + kSeparator);
    };
    for (const std::string& path : paths) {
        while (!holds(path)) folder = folderOf(folder);
    }
    const std::size_t skip = folder == kRoot ? folder.size() : folder.size() + 1;
    std::vector<std::string> names;
    for (const std::string& path : paths) names.push_back(path.substr(skip));
    return {folder, names};
}

// Nothing when there is no desktop chooser to ask; else whether the user chose.
std::optional<bool> chooseOnDesktop(OpenFileName& request, bool saving) {
    portal::FileQuestion question;
    question.kind = saving ? portal::FileQuestion::Kind::Save : portal::FileQuestion::Kind::Open;
    question.title = request.title ? request.title : "";
    question.filters = chooserFilters(request.filter);
    question.currentFilter = static_cast<std::size_t>(std::max(request.filterIndex - 1, 0));
    question.multiple = !saving && (request.flags & OFN_ALLOWMULTISELECT);
    const portal::FileAnswer answer = askDesktop(request.owner, question);
    if (answer.outcome == portal::Outcome::Unavailable) return std::nullopt;
    if (answer.outcome == portal::Outcome::Cancelled) return false;
    const auto [folder, names] = splitCommonFolder(answer.paths);
    if (!writeResult(request.file, folder, names)) {
        desktop().fileDialogError = FNERR_BUFFERTOOSMALL;
        return false;
    }
    if (!(request.flags & OFN_NOCHANGEDIR)) changeFolder(folder);
    return true;
}

bool runFileDialog(OpenFileName& request, bool saving) {
    desktop().fileDialogError = 0;
    if (const std::optional<bool> chosen = chooseOnDesktop(request, saving)) return *chosen;
    const bool multiple = !saving && (request.flags & OFN_ALLOWMULTISELECT);
    const std::uint32_t listStyle = LBS_NOTIFY | WS_VSCROLL | WS_BORDER | WS_TABSTOP | (multiple ? LBS_EXTENDEDSEL : 0);
    const std::array<ControlTemplate, 9> controls = {{
        {WindowClass::Static, kNoControlId, 7, 9, 34, 8, "Nombre:", SS_LEFT},
        {WindowClass::Edit, kNameEdit, 45, 7, 228, 12, "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP},
        {WindowClass::Static, kNoControlId, 7, 25, 34, 8, "Carpeta:", SS_LEFT},
        {WindowClass::Static, kFolderText, 45, 25, 228, 8, "", SS_SUNKEN},
        {WindowClass::ListBox, kEntryList, 7, 37, 266, 112, "", listStyle},
        {WindowClass::Static, kNoControlId, 7, 157, 34, 8, "Tipo:", SS_LEFT},
        {WindowClass::ComboBox, kTypeCombo, 45, 155, 228, 60, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
        {WindowClass::Button, IDOK, 165, 175, 52, 14, saving ? "Guardar" : "Abrir", BS_DEFPUSHBUTTON | WS_TABSTOP},
        {WindowClass::Button, IDCANCEL, 221, 175, 52, 14, "Cancelar", BS_PUSHBUTTON | WS_TABSTOP},
    }};
    const Rect near = isWindow(request.owner) ? getWindowRect(request.owner) : Rect{};
    const DialogTemplate dialog{
        0, "",          near.left + 8, near.top + 8, 280, 196, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
        0, kDialogFont, controls};
    FileDialog state{&request, {}, {}, saving};
    return dialogBoxIndirect(dialog, request.owner, fileDialogProc, reinterpret_cast<LParam>(&state)) == 1;
}

// --- The folder browser --------------------------------------------------------

struct FolderDialog {
    std::span<char> result;
    const char* title;
    FolderView view;
};

// The path field shows what OK chooses: the highlighted sub-folder; empty,
// it chooses the folder shown above it.
void showFolderChoice(WindowHandle dialog, const FolderDialog& state) {
    const Entry* entry = state.view.highlighted(dialog);
    const bool subFolder = entry != nullptr && entry->name != "..";
    setDlgItemText(dialog, kNameEdit, subFolder ? state.view.pathOf(*entry) : std::string());
}

// Copies a chosen folder's path, zero-terminated; a path too long is shown
// over the window and not taken.
bool takeFolderPath(WindowHandle window, std::span<char> result, const std::string& path) {
    if (path.size() + 1 > result.size()) {
        showProblem(window, kTooLong, path);
        return false;
    }
    std::copy(path.begin(), path.end(), result.begin());
    result[path.size()] = '\0';
    return true;
}

void chooseFolderPath(WindowHandle dialog, FolderDialog& state, const std::string& path) {
    if (takeFolderPath(dialog, state.result, path)) endDialog(dialog, 1);
}

// Enter in the list opens the highlighted folder, Enter in the path field
// goes to another folder typed there; else the path in the field is chosen.
void acceptFolder(WindowHandle dialog, FolderDialog& state) {
    if (state.view.listHasFocus(dialog) && state.view.enterHighlightedFolder(dialog))
        return showFolderChoice(dialog, state);
    const std::string typed = getWindowText(getDlgItem(dialog, kNameEdit));
    if (typed.find_first_not_of(' ') == std::string::npos) return chooseFolderPath(dialog, state, state.view.folder);
    const std::string path = absolutePath(state.view.folder, typed);
    const bool lookOnly = getFocus() == getDlgItem(dialog, kNameEdit) && path != state.view.folder;
    if (!state.view.open(dialog, path)) return;
    if (lookOnly) return showFolderChoice(dialog, state);
    chooseFolderPath(dialog, state, path);
}

std::intptr_t folderDialogProc(WindowHandle dialog, unsigned message, WParam wParam, LParam lParam) {
    if (message == WM_INITDIALOG) {
        auto* state = reinterpret_cast<FolderDialog*>(lParam);
        setDialogData(dialog, lParam);
        setDlgItemText(dialog, kTitleText, state->title ? state->title : "");
        state->view.foldersOnly = true;
        state->view.open(dialog, currentFolder());
        showFolderChoice(dialog, *state);
        return kHandled;
    }
    auto* state = reinterpret_cast<FolderDialog*>(dialogData(dialog));
    if (message != WM_COMMAND || state == nullptr) return kNotHandled;
    const int id = static_cast<int>(loWord(wParam));
    const unsigned code = hiWord(wParam);
    if (id == IDOK) acceptFolder(dialog, *state);
    if (id == IDCANCEL) endDialog(dialog, 0);
    if (id == kEntryList && code == LBN_SELCHANGE) showFolderChoice(dialog, *state);
    if (id == kEntryList && code == LBN_DBLCLK && state->view.enterHighlightedFolder(dialog))
        showFolderChoice(dialog, *state);
    return kHandled;
}

}  // namespace

bool getOpenFileName(OpenFileName& request) { return runFileDialog(request, false); }

bool getSaveFileName(OpenFileName& request) { return runFileDialog(request, true); }

unsigned commDlgExtendedError() { return desktop().fileDialogError; }

bool browseForFolder(WindowHandle owner, const char* title, std::span<char> result) {
    portal::FileQuestion question;
    question.kind = portal::FileQuestion::Kind::Folder;
    question.title = title ? title : "";
    const portal::FileAnswer answer = askDesktop(owner, question);
    if (answer.outcome != portal::Outcome::Unavailable) {
        return answer.outcome == portal::Outcome::Chosen && takeFolderPath(owner, result, answer.paths.front());
    }
    const std::array<ControlTemplate, 8> controls = {{
        {WindowClass::Static, kTitleText, 7, 5, 226, 16, "", SS_LEFT},
        {WindowClass::Static, kNoControlId, 7, 25, 34, 8, "Carpeta:", SS_LEFT},
        {WindowClass::Static, kFolderText, 45, 25, 188, 8, "", SS_SUNKEN},
        {WindowClass::ListBox, kEntryList, 7, 37, 226, 96, "", LBS_NOTIFY | WS_VSCROLL | WS_BORDER | WS_TABSTOP},
        {WindowClass::Static, kNoControlId, 7, 141, 34, 8, "Ruta:", SS_LEFT},
        {WindowClass::Edit, kNameEdit, 45, 139, 188, 12, "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP},
        {WindowClass::Button, IDOK, 125, 159, 52, 14, "Aceptar", BS_DEFPUSHBUTTON | WS_TABSTOP},
        {WindowClass::Button, IDCANCEL, 181, 159, 52, 14, "Cancelar", BS_PUSHBUTTON | WS_TABSTOP},
    }};
    const Rect near = isWindow(owner) ? getWindowRect(owner) : Rect{};
    const DialogTemplate dialog{
        0, "Buscar carpeta", near.left + 8, near.top + 8, 240, 180, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
        0, kDialogFont,      controls};
    FolderDialog state{result, title, {}};
    return dialogBoxIndirect(dialog, owner, folderDialogProc, reinterpret_cast<LParam>(&state)) == 1;
}

}  // namespace platform

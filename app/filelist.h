// The file list of the main window: adding files and folder trees, removing
// entries, and list files of 260-byte path records.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "app/program.h"

namespace app {

inline constexpr std::size_t kListRecordSize = 260;
inline constexpr std::size_t kFolderPathSize = 260;

inline constexpr char kAddFileTitle[] = "Open...";
inline constexpr char kAddFolderTitle[] = "Choose a folder to recursively add to the file list...";
inline constexpr char kLoadListTitle[] = "Load Filelist...";
inline constexpr char kSaveListTitle[] = "Save Filelist...";
inline constexpr char kAddFailed[] = "An error occured while attempting to add file(s) to the file list";
// The open dialog's result buffer holds about 120 names: a larger choice fails.
inline constexpr char kTooManyChosen[] =
    "Too many files were chosen at once: none of them was added.\n"
    "Choose fewer files, or add their whole folder with \"Añadir Carpeta\".";
// A list file that cannot be opened, for saving too, gives the engine's
// "for reading" message (tags::msg::kOpenForReading).
inline constexpr char kListWriteFailed[] = "An error occured while writing to '%s'. The list file was left unchanged.";
inline constexpr char kListReadFailed[] = "An error occured while reading '%s'.";
// Filter lists: pairs of shown text and pattern, ended by an empty string.
inline constexpr char kMp3Filter[] = "MP3s (*.mp3)\0*.mp3\0";
inline constexpr char kListFilters[] = "Lirvane 3 Files (*.lv3)\0*.lv3\0All Files (*.*)\0*.*\0";

// The commands 1040 to 1043, 40003 and 40004 of the main window.
void fileListCommand(WindowHandle window, int id);

// The common open or save dialog; non-zero when the user chose.
int chooseFile(WindowHandle owner, const char* title, const char* filter, std::span<char> result,
               const char* initialFolder, int save, int multiSelect);
// The folder browser; 1 when the user chose a folder, its path in result.
int chooseFolder(WindowHandle owner, std::span<char> result, const char* title);

// Adds the files of a chooseFile result; 0 when a path was too long to add.
int addSelectedFiles(WindowHandle list, std::span<const char> result);
// Adds every file whose name ends in "mp3" in the folder and below it; 1 when
// the folder's entries were read to their end.
int addFolderTree(WindowHandle list, std::string_view folder);
// Adds what was dropped on the window as the two add commands would: a file
// as it is, a folder by addFolderTree; one message when a file cannot be added.
void addDroppedPaths(WindowHandle window, std::span<const std::string> paths);
void removeSelectedEntries(WindowHandle list);
void removeAllEntries(WindowHandle list);

int saveFileList(WindowHandle owner, const char* path, WindowHandle list);
int loadFileList(WindowHandle owner, const char* path, WindowHandle list);

}  // namespace app

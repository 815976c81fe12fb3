// The common dialogs, built from the layer's own controls: open and save a
// file, and browse for a folder. Each works with the keyboard alone: a list of
// the folder's entries to walk up and down, a name field that takes a typed
// name or path, and a choice of filters.
#pragma once

#include <span>

#include "platform/ui/handle.h"

namespace platform {

inline constexpr unsigned OFN_HIDEREADONLY = 0x00000004;
inline constexpr unsigned OFN_NOCHANGEDIR = 0x00000008;
inline constexpr unsigned OFN_ALLOWMULTISELECT = 0x00000200;
inline constexpr unsigned OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr unsigned OFN_FILEMUSTEXIST = 0x00001000;
inline constexpr unsigned OFN_EXPLORER = 0x00080000;

struct OpenFileName {
    WindowHandle owner;
    // Pairs of zero-terminated strings (shown text, pattern such as "*.mp3"),
    // ended by an empty string.
    const char* filter = nullptr;
    int filterIndex = 1;  // the pair chosen first, counting from 1
    // The result: one full path; or, for several files chosen in one folder,
    // the folder and each name, every string zero-terminated and the whole
    // ended by an empty string.
    std::span<char> file;
    const char* initialDir = nullptr;
    const char* title = nullptr;
    unsigned flags = 0;
};

// True when the user chose; false when cancelled, or when the result would not
// fit its buffer. A choice makes the chosen folder the working directory
// unless OFN_NOCHANGEDIR is given.
bool getOpenFileName(OpenFileName& request);
bool getSaveFileName(OpenFileName& request);

// Why the last file dialog returned false: 0 when the user cancelled,
// FNERR_BUFFERTOOSMALL when the choice did not fit the result buffer.
inline constexpr unsigned FNERR_BUFFERTOOSMALL = 0x3003;
unsigned commDlgExtendedError();

// Lets the user choose a folder; its path goes into result (zero-terminated).
bool browseForFolder(WindowHandle owner, const char* title, std::span<char> result);

}  // namespace platform

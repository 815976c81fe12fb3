// The main window: the file list, the tag panel with its two views and the
// operation buttons.
#pragma once

#include "app/program.h"

namespace app {

std::intptr_t MainWindow(WindowHandle window, unsigned message, platform::WParam wParam, platform::LParam lParam);

void switchToV1View(WindowHandle window);
void switchToV2View(WindowHandle window);
void clearTagFields(WindowHandle window);
void showSelectedTags(WindowHandle window);
void showV1Tag(WindowHandle window);
void showV2Tag(WindowHandle window);

inline constexpr char kReadV1Failed[] = "An error occured while attempting to read id3v1.1 tags";
inline constexpr char kReadV2Failed[] = "An error occured while attempting to read id3v2.3 tags";

}  // namespace app

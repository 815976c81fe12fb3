// The two removal settings, kept in the registry, and the two small dialogs
// of the main window's menu.
#pragma once

#include "app/program.h"

namespace app {

inline constexpr char kSettingsKey[] = "Software\\Orvisel\\Lirvane_v3";
inline constexpr char kQuickV1Value[] = "QuickV1";
inline constexpr char kQuickV2Value[] = "QuickV2";

// Reads QuickV1 and QuickV2; a missing key or value keeps the default.
void loadSettings();

std::intptr_t OptionsDialog(WindowHandle dialog, unsigned message, platform::WParam wParam, platform::LParam lParam);
std::intptr_t AboutDialog(WindowHandle dialog, unsigned message, platform::WParam wParam, platform::LParam lParam);

// Runs a secondary dialog modally without an owner, unless it is open already.
// The dialog's WM_INITDIALOG gets param.
void openSecondaryDialog(WindowHandle& openHandle, int templateId, platform::DialogProc proc,
                         platform::LParam param = 0);

}  // namespace app

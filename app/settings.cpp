#include "app/settings.h"

#include <array>

#include "walk/radiopair.h"
#include "walk/report.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "res/resources.h"

namespace app {
namespace {

using platform::LParam;
using platform::WParam;

constexpr std::size_t kDwordSize = 4;
// A settings file that cannot be written or read: the choice still holds in memory.
constexpr char kSettingsNotStored[] = "The options could not be stored in '%s'. They apply until Lirvane is closed.";

// Reads a value into the integer's own four bytes, as the desktop does: data
// longer than four bytes, or no value, leaves the integer as it was.
void queryInto(const platform::RegKey& key, const char* name, int& setting) {
    std::array<std::uint8_t, kDwordSize> bytes{};
    const auto value = static_cast<std::uint32_t>(setting);
    for (std::size_t i = 0; i < kDwordSize; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    std::uint32_t size = kDwordSize;
    if (platform::regQueryValueEx(key, name, nullptr, bytes, size) != platform::ERROR_SUCCESS) return;
    std::uint32_t read = 0;
    for (std::size_t i = 0; i < kDwordSize; ++i) read |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    setting = static_cast<int>(read);
}

bool storeDword(platform::RegKey& key, const char* name, int value) {
    std::array<std::uint8_t, kDwordSize> bytes{};
    for (std::size_t i = 0; i < kDwordSize; ++i)
        bytes[i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i));
    return platform::regSetValueEx(key, name, platform::REG_DWORD, bytes) == platform::ERROR_SUCCESS;
}

// Both values in the registry; false when either could not be stored.
bool storeOptions(int v1, int v2) {
    platform::RegKey key;
    if (platform::regCreateKeyEx(platform::HKEY_LOCAL_MACHINE, kSettingsKey, platform::KEY_ALL_ACCESS, key) !=
        platform::ERROR_SUCCESS) {
        return false;
    }
    const bool stored = storeDword(key, kQuickV1Value, v1) && storeDword(key, kQuickV2Value, v2);
    platform::regCloseKey(key);
    return stored;
}

void initOptions(WindowHandle dialog) {
    OptionsDialogHandle = dialog;
    platform::checkDlgButton(dialog, QuickV1 ? res::kOptionsV1Soft : res::kOptionsV1Full, platform::BST_CHECKED);
    platform::checkDlgButton(dialog, QuickV2 ? res::kOptionsV2Soft : res::kOptionsV2Full, platform::BST_CHECKED);
}

// OK: the choice is stored in the registry where it can be, and takes effect
// in memory either way; the user hears when it could not be stored.
void acceptOptions(WindowHandle dialog) {
    const int v1 = platform::isDlgButtonChecked(dialog, res::kOptionsV1Soft) == platform::BST_CHECKED ? 1 : 0;
    const int v2 = platform::isDlgButtonChecked(dialog, res::kOptionsV2Soft) == platform::BST_CHECKED ? 1 : 0;
    if (!storeOptions(v1, v2)) walking::showError(dialog, kSettingsNotStored, platform::registryFile());
    QuickV1 = v1;
    QuickV2 = v2;
    platform::endDialog(dialog, platform::IDOK);
}

}  // namespace

void loadSettings() {
    platform::RegKey key;
    if (platform::regOpenKeyEx(platform::HKEY_LOCAL_MACHINE, kSettingsKey, platform::KEY_ALL_ACCESS, key) !=
        platform::ERROR_SUCCESS) {
        return;
    }
    queryInto(key, kQuickV1Value, QuickV1);
    queryInto(key, kQuickV2Value, QuickV2);
    platform::regCloseKey(key);
}

std::intptr_t OptionsDialog(WindowHandle dialog, unsigned message, WParam wParam, LParam) {
    switch (message) {
        case platform::WM_INITDIALOG: initOptions(dialog); return platform::kHandled;
        case platform::WM_COMMAND:
            switch (static_cast<int>(platform::loWord(wParam))) {
                case res::kOptionsV1Soft:
                    walking::checkOneOfPair(dialog, res::kOptionsV1Soft, res::kOptionsV1Full);
                    break;
                case res::kOptionsV1Full:
                    walking::checkOneOfPair(dialog, res::kOptionsV1Full, res::kOptionsV1Soft);
                    break;
                case res::kOptionsV2Soft:
                    walking::checkOneOfPair(dialog, res::kOptionsV2Soft, res::kOptionsV2Full);
                    break;
                case res::kOptionsV2Full:
                    walking::checkOneOfPair(dialog, res::kOptionsV2Full, res::kOptionsV2Soft);
                    break;
                case platform::IDOK: acceptOptions(dialog); break;
                case platform::IDCANCEL: platform::endDialog(dialog, platform::IDCANCEL); break;
                default: break;
            }
            return platform::kHandled;
        case platform::WM_CLOSE: platform::endDialog(dialog, platform::IDCANCEL); return platform::kHandled;
        default: return platform::kNotHandled;
    }
}

std::intptr_t AboutDialog(WindowHandle dialog, unsigned message, WParam wParam, LParam) {
    switch (message) {
        case platform::WM_INITDIALOG: AboutDialogHandle = dialog; return platform::kHandled;
        case platform::WM_COMMAND:
            // Command 2 (the Esc key) is no command of this box: it stays open.
            if (platform::loWord(wParam) == platform::IDOK) platform::endDialog(dialog, platform::IDOK);
            if (platform::loWord(wParam) == res::kAboutWebSite) platform::shellOpen(res::kMakerWebSiteAddress);
            return platform::kHandled;
        case platform::WM_CLOSE: platform::endDialog(dialog, platform::IDOK); return platform::kHandled;
        default: return platform::kNotHandled;
    }
}

void openSecondaryDialog(WindowHandle& openHandle, int templateId, platform::DialogProc proc, platform::LParam param) {
    // No second copy; the one that is open comes to the front, where it may
    // have been hidden behind the main window.
    if (openHandle) {
        platform::setActiveWindow(openHandle);
        return;
    }
    platform::dialogBoxParam(*ModuleInstance, templateId, {}, proc, param);
    openHandle = {};
}

}  // namespace app

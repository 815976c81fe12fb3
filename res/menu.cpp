// The main window's menu.
#include "res/resources.h"
#include "res/tables.h"

namespace res {

namespace {

using platform::MenuItemTemplate;
using platform::MenuPopupTemplate;
using platform::MenuTemplate;

constexpr MenuItemTemplate kSeparator{nullptr, 0};

constexpr MenuItemTemplate kFileItems[] = {
    {"&Cargar Lista...", kMenuLoadList},
    {"&Guardar Lista...", kMenuSaveList},
    // Our own item: the main window has no button for the rename dialog, so
    // without it the user would have no way to issue that command.
    {"&Renombrar desde TAG's...", kMenuRenameFromTags},
    kSeparator,
    {"&Opciones...", kMenuOptions},
};

constexpr MenuItemTemplate kHelpItems[] = {
    {"&Acerca de...", kMenuAbout},
};

constexpr MenuPopupTemplate kMainPopups[] = {
    {"&Archivo", kFileItems},
    {"&Ayuda", kHelpItems},
};

constexpr MenuTemplate kMenus[] = {
    {kMainMenu, kMainPopups},
};

}  // namespace

std::span<const platform::MenuTemplate> menuTemplates() { return kMenus; }

}  // namespace res

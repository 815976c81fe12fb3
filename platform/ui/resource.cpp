// Finding a module's resources by number.
#include "platform/ui/resource.h"

namespace platform {

namespace {

template <typename Resource>
const Resource* findById(std::span<const Resource> resources, int id) {
    for (const Resource& resource : resources) {
        if (resource.id == id) return &resource;
    }
    return nullptr;
}

}  // namespace

const DialogTemplate* Module::dialog(int id) const { return findById(dialogs, id); }
const MenuTemplate* Module::menu(int id) const { return findById(menus, id); }
const IconTemplate* Module::icon(int id) const { return findById(icons, id); }

}  // namespace platform

// The tables behind lirvaneModule(), one source file each.
#pragma once

#include <span>

#include "platform/ui/resource.h"

namespace res {

std::span<const platform::DialogTemplate> dialogTemplates();  // templates.cpp
std::span<const platform::MenuTemplate> menuTemplates();      // menu.cpp
std::span<const platform::IconTemplate> iconTemplates();      // icons.cpp

}  // namespace res

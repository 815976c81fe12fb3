// Opening an address in the user's preferred program (a web page in the
// browser), as the desktop shell's "open" verb does.
#pragma once

#include <functional>
#include <string_view>

namespace platform {

// Hands the address to xdg-open in a detached process of its
// own and returns at once. Whether the address could be opened is not
// reported; nothing is thrown.
void shellOpen(std::string_view address) noexcept;

// Makes shellOpen call the given function instead, so that tests can see what
// would be opened without starting a browser; an empty function restores
// xdg-open.
void setShellOpener(std::function<void(std::string_view)> opener);

}  // namespace platform

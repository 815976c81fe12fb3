// The window layer's window handle: a small number, 0 for "no window".
#pragma once

#include <cstdint>

namespace platform {

struct WindowHandle {
    std::uint32_t value = 0;

    explicit operator bool() const { return value != 0; }
    friend bool operator==(WindowHandle, WindowHandle) = default;
};

}  // namespace platform

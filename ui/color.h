#pragma once

#include <cstdint>

namespace ui {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend bool operator==(Rgb a, Rgb b) {
        return a.red == b.red && a.green == b.green && a.blue == b.blue;
    }
};

// Colours that follow the desktop's scheme rather than a fixed value.
enum class SystemColor {
    CaptionText,
    WindowText,
};

} // namespace ui

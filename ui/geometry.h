#pragma once

namespace ui {

// Positions and sizes of windows and controls are given in twips (1/1440 inch), relative
// to the control's container. Each back end converts them to its own units in one place.
struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct Point {
    int x = 0;
    int y = 0;
};

struct Size {
    int width = 0;
    int height = 0;
};

constexpr int kTwipsPerPixel = 15;

// Nearest whole logical pixel: 700 twips is 46.7 px and lands on 47.
constexpr int twipsToPixels(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

} // namespace ui

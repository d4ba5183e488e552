#pragma once

#include <string>
#include <vector>

namespace ui {

// A requested font: the first family that is installed wins. Lines of text set in it are
// spaced at its em height, as the desktop the program was designed for spaces them.
struct Font {
    std::vector<std::string> families;
    double pointSize = 9;
};

} // namespace ui

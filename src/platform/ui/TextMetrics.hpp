#pragma once
#include <cstddef>
#include <string_view>

#include "platform/gfx/Font.hpp"

namespace ui {

class View;

// The width of text on one line as the current measurer gives it (0 for none).
double textWidth(std::string_view text, const gfx::Font& font);
// The code point boundary of `line`, drawn from `originX`, whose place is
// nearest `x`: where a press at `x` puts the caret.
std::size_t offsetNearestX(std::string_view line, const gfx::Font& font, double originX, double x);
// Whether a press begins editing the text input, with the caret where it
// lands, so that a drag from there selects at once: a mouse's does (a window
// typed on a keyboard of its own); a finger's tap begins editing as it
// lifts and leaves the caret at the end.
bool beginsEditingOnPress(const View& input);

}  // namespace ui

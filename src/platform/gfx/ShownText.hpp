#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/gfx/TextMeasurer.hpp"

namespace gfx {

// What a text shows when it is measured or drawn. Texts come from typists,
// servers and files: a control character is not drawn, the marks that embed
// or override the direction of what follows are left out (a name is shown in
// the order its characters run, never reversed by a mark inside it, and
// nothing it holds reaches beyond it), a line or paragraph separator and a
// carriage return break the line as a line break does, and bytes that are
// not UTF-8 show as the replacement character.
//
// The text itself when it shows as it is, else `storage` holding what it
// shows.
std::string_view shownText(std::string_view text, std::string& storage);

// At most `count` shown characters from the start of the text (or its end):
// the scan stops there, so a text of any length costs what its shown part
// does. `cut` says whether shown characters were left out.
std::string shownPrefix(std::string_view text, std::size_t count, bool& cut);
std::string shownSuffix(std::string_view text, std::size_t count, bool& cut);

// The part of a text that `maxLines` lines (0: any) of `width` (<= 0: lines
// of any width) in `font` can show, as it is shown: a text of any length
// costs what the box shows. What is left out is marked by an ellipsis where
// it was (at the start for head truncation, in the middle for middle
// truncation on one line), which lies beyond what the box shows. Laying text
// out (TextMeasurer::layout) and shortening it go through this.
std::string visibleText(std::string_view text, const Font& font, double width, LineBreakMode mode, int maxLines);

}  // namespace gfx

#pragma once
// The text input being edited when a press began, kept until the press's
// last touch lifts: an alert the press raises gives the focus back to it,
// though the press, or the button it pressed, ended its editing (a click on
// Save ends the edit to store it). The window tells when a press begins and
// ends; a desktop press outside the text being edited ends that editing
// before its touch goes down, and says so first.
#include <memory>

namespace ui {

class View;

namespace pressed_input {

// The first touch of a press goes down, with `focused` having the focus:
// kept when it edits text, unless the press already named the input whose
// editing it ended.
void pressBegins(View* focused);
// The press ends the editing of `input` before its touch goes down.
void pressEndsEditingOf(View& input);
// The last touch of the press lifted or was cancelled.
void pressEnds();
// The input kept for the press under way, else nothing.
std::shared_ptr<View> input();

}  // namespace pressed_input

}  // namespace ui

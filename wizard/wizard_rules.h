// The wizard's page rules: the model name of a row, its caption, when a page may be left, the
// button row, the animation step (the model and port choices are job/choice_rules.h). No Windows
// calls.
#pragma once

#include "job/choice_rules.h"

#include <string>
#include <vector>

namespace wizard {

// The model name of a list row: the prefix's length cut from the front when the row contains it.
std::wstring ModelOfRow(const std::wstring& row);

// The text drawn for the model on the confirmation page: unchanged when it already contains the
// prefix, else the prefix and the model.
std::wstring ModelCaption(const std::wstring& model);

// Why the wizard stays on `page` (1 model, 2 port) when the user asks for the next page while
// the page's list shows `rows` rows, one of them selected or not; empty when it may be left. No
// page is left without a chosen row: without a model or a port there is nothing to install.
std::wstring NextPageRefusal(int page, long rows, bool selected);

// The wizard's buttons: one row at the bottom, in the same places on every page. Back, then next
// (or finish, in the same place), then cancel; all of one height, the gaps apart that the model
// page's design gives.
struct ButtonSlot {
    int x;
    int y;
    int width;
    int height;
};
constexpr int kButtonRowY = 300;
constexpr int kButtonHeight = 29;
constexpr ButtonSlot kButtonRow[3] = {{132, kButtonRowY, 105, kButtonHeight},
                                      {241, kButtonRowY, 105, kButtonHeight},
                                      {366, kButtonRowY, 75, kButtonHeight}};

// One tick of the looping progress animation on timer 129.
struct AnimationState {
    int pause = 0;    // ticks left showing an empty bar
    int position = 0; // the bar's position
};
// Returns whether the position changed; a tick during the pause only counts down.
bool AnimationTick(AnimationState& state);

} // namespace wizard

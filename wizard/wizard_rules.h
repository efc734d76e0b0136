// Choices the wizard makes from lists: the model row to preselect, the model name of a row, the
// port row to preselect, the animation step. No Windows calls.
#pragma once

#include <string>
#include <vector>

namespace wizard {

// Every model row shows this prefix before the catalogue name.
constexpr const wchar_t* kModelPrefix = L"Korvane ";

// The catalogue entry (index into `names`) that a detected model matches: the last non-empty
// name that occurs in the detected model (case-sensitive substring); -1 when none does.
int MatchDetectedModel(const std::vector<std::wstring>& names, const std::wstring& detected);

// The model name of a list row: the prefix's length cut from the front when the row contains it.
std::wstring ModelOfRow(const std::wstring& row);

// The text drawn for the model on the confirmation page: unchanged when it already contains the
// prefix, else the prefix and the model.
std::wstring ModelCaption(const std::wstring& model);

// The port row to select: with a USB port number, the first row containing "USB%03d"; without
// one (0), the first row containing "LPT". -1 when no row does.
int PreselectPortRow(const std::vector<std::wstring>& rows, unsigned long usbPortNumber);

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

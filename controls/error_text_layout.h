// Where the error dialog draws its lines and puts its button. No Windows calls.
#pragma once

#include <string>
#include <vector>

namespace controls {

struct TextLine {
    int x;
    int y;
    std::wstring text;
};

struct ErrorTextLayout {
    std::vector<TextLine> lines; // in drawing order: code lines, then the two advice lines
    bool moveButton = false;     // long codes push the button down
    int buttonY = 205;
};

// Units of the code per line.
constexpr std::size_t kErrorCodeLineUnits = 21;

// Every line starts at this x: the code's first line with its label, the lines a long code wraps
// onto and the advice. The longest line, the second advice line, then ends as far from the right
// edge of the 405-pixel-wide client area as the text starts from the left, in the 15-pixel font.
constexpr int kErrorTextLeft = 22;

ErrorTextLayout LayoutErrorText(const std::wstring& code);

} // namespace controls

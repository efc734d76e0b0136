// Which bitmaps an image button swaps between, chosen by its caption. No Windows calls.
#pragma once

#include <string>

namespace controls {

struct CaptionBitmaps {
    int atRest;
    int underMouse;
};

// The bitmaps for a caption, compared code unit by code unit; nullptr for an unknown caption.
const CaptionBitmaps* FindCaptionBitmaps(const std::wstring& caption);

} // namespace controls

#include "controls/button_captions.h"

#include "res/image_ids.h"

namespace controls {

namespace {

struct CaptionEntry {
    const wchar_t* caption;
    CaptionBitmaps bitmaps;
};

const CaptionEntry kCaptions[] = {
    {L"上一步", {IDB_BACK, IDB_BACK_HOVER}},   {L"下一步", {IDB_NEXT, IDB_NEXT_HOVER}},
    {L"取消", {IDB_CANCEL, IDB_CANCEL_HOVER}}, {L"完成", {IDB_FINISH, IDB_FINISH_HOVER}},
    {L"确认", {IDB_OK, IDB_OK_HOVER}},         {L"是", {IDB_YES, IDB_YES_HOVER}},
    {L"否", {IDB_NO, IDB_NO_HOVER}},
};

} // namespace

const CaptionBitmaps* FindCaptionBitmaps(const std::wstring& caption) {
    for (const CaptionEntry& entry : kCaptions) {
        if (caption == entry.caption)
            return &entry.bitmaps;
    }
    return nullptr;
}

} // namespace controls

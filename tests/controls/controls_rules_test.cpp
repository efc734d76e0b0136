// Rules of the controls that need no window: error text layout, caption bitmaps, premultiplying.
#include "controls/button_captions.h"
#include "controls/error_text_layout.h"
#include "controls/pixels.h"

#include <gtest/gtest.h>

#include <vector>

using namespace controls;

TEST(ErrorTextLayout, CodeLinesAdviceAndButton) {
    const std::wstring advice1 = L"请关闭所有应用程序并重启系统后再次安装。";
    const std::wstring advice2 = L"如错误情况依然存在，请联系设备厂家获取技术支持。";
    std::wstring fifty;
    for (int i = 0; i < 50; ++i)
        fifty += static_cast<wchar_t>(L'A' + i % 26);
    const int left = kErrorTextLeft; // one left edge for every line, wrapped or not
    struct Case {
        size_t units;
        std::vector<TextLine> lines;
        bool moveButton;
        int buttonY;
    } cases[] = {
        {1, {{left, 118, L"错误代码：A"}, {left, 149, advice1}, {left, 169, advice2}}, false, 205},
        {21,
         {{left, 118, L"错误代码：" + fifty.substr(0, 21)},
          {left, 149, advice1},
          {left, 169, advice2}},
         false,
         205},
        {30,
         {{left, 118, L"错误代码：" + fifty.substr(0, 21)},
          {left, 139, fifty.substr(21, 9)},
          {left, 170, advice1},
          {left, 190, advice2}},
         true,
         220},
        {42,
         {{left, 118, L"错误代码：" + fifty.substr(0, 21)},
          {left, 139, fifty.substr(21, 21)},
          {left, 170, advice1},
          {left, 190, advice2}},
         true,
         220},
        {50,
         {{left, 118, L"错误代码：" + fifty.substr(0, 21)},
          {left, 139, fifty.substr(21, 21)},
          {left, 160, fifty.substr(42, 8)},
          {left, 191, advice1},
          {left, 211, advice2}},
         true,
         241},
    };
    for (const Case& c : cases) {
        const ErrorTextLayout layout = LayoutErrorText(fifty.substr(0, c.units));
        ASSERT_EQ(c.lines.size(), layout.lines.size()) << c.units << " units";
        for (size_t i = 0; i < c.lines.size(); ++i) {
            EXPECT_EQ(c.lines[i].x, layout.lines[i].x) << c.units << " units, line " << i;
            EXPECT_EQ(c.lines[i].y, layout.lines[i].y) << c.units << " units, line " << i;
            EXPECT_EQ(c.lines[i].text, layout.lines[i].text) << c.units << " units, line " << i;
        }
        EXPECT_EQ(c.moveButton, layout.moveButton) << c.units;
        EXPECT_EQ(c.buttonY, layout.buttonY) << c.units;
    }
}

TEST(ButtonCaptions, TableAndUnknownCaptions) {
    struct Case {
        const wchar_t* caption;
        int atRest;
        int underMouse;
    } cases[] = {{L"上一步", 137, 168}, {L"下一步", 138, 169}, {L"取消", 139, 170},
                 {L"完成", 143, 172},   {L"确认", 173, 167},   {L"是", 163, 175},
                 {L"否", 162, 174}};
    for (const Case& c : cases) {
        const CaptionBitmaps* bitmaps = FindCaptionBitmaps(c.caption);
        ASSERT_NE(nullptr, bitmaps);
        EXPECT_EQ(c.atRest, bitmaps->atRest);
        EXPECT_EQ(c.underMouse, bitmaps->underMouse);
    }
    // Exact comparison: no prefix, suffix, spacing or empty match.
    for (const wchar_t* unknown : {L"", L"下一步(N)>", L"是 ", L"确 认", L"取"})
        EXPECT_EQ(nullptr, FindCaptionBitmaps(unknown)) << unknown;
}

TEST(Pixels, PremultiplyTruncatesAndKeepsAlpha) {
    // B, G, R, A
    std::uint8_t pixels[] = {255, 128, 1, 255, 255, 128, 1, 0, 200, 100, 50, 128, 10, 20, 30, 254};
    PremultiplyBgra(pixels, 4);
    const std::uint8_t expected[] = {255, 128, 1,  255, 0, 0,  0,  0,
                                     100, 50,  25, 128, 9, 19, 29, 254};
    for (size_t i = 0; i < sizeof(pixels); ++i)
        EXPECT_EQ(expected[i], pixels[i]) << "byte " << i;
}

TEST(Pixels, AreaScalingKeepsThinStrokesAndItsTotals) {
    // A transparent 100 x 10 strip with one opaque black column at x = 55, squeezed ten times to
    // 10 x 1: the column shows as a tenth of cover in the pixel whose area holds it; sampling the
    // nearest pixel (x = 50) would drop it.
    std::vector<std::uint8_t> strip(100 * 10 * 4, 0);
    for (int y = 0; y < 10; ++y)
        strip[(static_cast<size_t>(y) * 100 + 55) * 4 + 3] = 255;
    std::vector<std::uint8_t> squeezed(10 * 4, 0xEE);
    ScaleBgraByArea(strip.data(), 100, 10, squeezed.data(), 10, 1);
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(x == 5 ? 26 : 0, squeezed[static_cast<size_t>(x) * 4 + 3]) << "pixel " << x;
        EXPECT_EQ(0, squeezed[static_cast<size_t>(x) * 4]) << "black stays black";
    }

    struct Case {
        int sw, sh, tw, th;
    } sizes[] = {{1146, 321, 118, 39}, {289, 111, 150, 57}, {7, 3, 7, 3}, {3, 1, 7, 2}};
    for (const Case& c : sizes) {
        SCOPED_TRACE(testing::Message() << c.sw << "x" << c.sh << " to " << c.tw << "x" << c.th);
        // An even colour stays that colour at any size; a premultiplied pixel never gets more
        // colour than cover.
        std::vector<std::uint8_t> even(static_cast<size_t>(c.sw) * c.sh * 4);
        for (size_t i = 0; i < even.size(); i += 4) {
            even[i] = 10;
            even[i + 1] = 100;
            even[i + 2] = 200;
            even[i + 3] = 200;
        }
        std::vector<std::uint8_t> out(static_cast<size_t>(c.tw) * c.th * 4);
        ScaleBgraByArea(even.data(), c.sw, c.sh, out.data(), c.tw, c.th);
        for (size_t i = 0; i < out.size(); i += 4) {
            ASSERT_EQ(10, out[i]);
            ASSERT_EQ(100, out[i + 1]);
            ASSERT_EQ(200, out[i + 2]);
            ASSERT_EQ(200, out[i + 3]);
        }
        // Half the source opaque white (left half), half transparent: the cover is kept.
        for (int y = 0; y < c.sh; ++y)
            for (int x = 0; x < c.sw; ++x)
                for (int k = 0; k < 4; ++k)
                    even[(static_cast<size_t>(y) * c.sw + x) * 4 + k] = x < c.sw / 2 ? 255 : 0;
        ScaleBgraByArea(even.data(), c.sw, c.sh, out.data(), c.tw, c.th);
        long long cover = 0;
        for (size_t i = 3; i < out.size(); i += 4) {
            cover += out[i];
            ASSERT_LE(out[i - 1], out[i]);
        }
        const double expected = 255.0 * (c.sw / 2) / c.sw * c.tw * c.th;
        EXPECT_NEAR(expected, static_cast<double>(cover), 0.5 * c.tw * c.th + 1);
    }
}

// Icons, bitmaps and the cursor load at the sizes the program asks for, and the masked bitmaps cut into
// the image lists the program builds from them.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <ostream>
#include <vector>

#include "DialogHost.h"
#include "resources/resource.h"

namespace
{

const COLORREF kMagenta = RGB(255, 0, 255);

HINSTANCE Module()
{
    return GetModuleHandleW(nullptr);
}

// Top-down 32-bit copy of a bitmap's pixels (0x00RRGGBB each).
std::vector<DWORD> Pixels(HBITMAP bitmap, int width, int height)
{
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height, 0xDEADBEEF);
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, height, pixels.data(), &bmi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (DWORD& p : pixels)
        p &= 0xFFFFFF;
    return pixels;
}

DWORD Rgb(COLORREF c)
{
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

struct BitmapSpec
{
    const char* name;
    int id;
    int width, height;
    bool masked;   // magenta marks transparent pixels
    int cellWidth; // pictures side by side in the strip (masked bitmaps)
    int cellHeight;
};

// Names the case in failure messages instead of dumping its bytes.
void PrintTo(const BitmapSpec& spec, std::ostream* os)
{
    *os << spec.name;
}

class BitmapResourceTest : public ::testing::TestWithParam<BitmapSpec>
{
};

TEST_P(BitmapResourceTest, LoadsAtItsSizeWithPicturesInEveryCell)
{
    const BitmapSpec& spec = GetParam();
    HBITMAP bitmap =
        static_cast<HBITMAP>(LoadImageW(Module(), MAKEINTRESOURCEW(spec.id), IMAGE_BITMAP, 0, 0, 0));
    ASSERT_NE(bitmap, nullptr) << "error " << GetLastError();
    BITMAP bm = {};
    ASSERT_NE(GetObjectW(bitmap, sizeof(bm), &bm), 0);
    EXPECT_EQ(bm.bmWidth, spec.width);
    EXPECT_EQ(bm.bmHeight, spec.height);

    const std::vector<DWORD> px = Pixels(bitmap, spec.width, spec.height);
    if (spec.masked)
    {
        EXPECT_EQ(px[0], Rgb(kMagenta)) << std::hex << "top-left 0x" << px[0];
        // Every picture has substance, and a transparent surround.
        for (int cell = 0; cell < spec.width / spec.cellWidth; ++cell)
        {
            int opaque = 0;
            for (int y = 0; y < spec.cellHeight; ++y)
                for (int x = cell * spec.cellWidth; x < (cell + 1) * spec.cellWidth; ++x)
                    opaque += px[y * spec.width + x] != Rgb(kMagenta);
            EXPECT_GT(opaque, spec.cellWidth * spec.cellHeight / 4) << "cell " << cell;
            EXPECT_LT(opaque, spec.cellWidth * spec.cellHeight) << "cell " << cell;
        }
        for (int y = spec.cellHeight; y < spec.height; ++y)
            for (int x = 0; x < spec.width; ++x)
                EXPECT_EQ(px[y * spec.width + x], Rgb(kMagenta)) << "below the pictures at " << x << "," << y;
    }
    else
    {
        // The logo is opaque, on the dialog colour.
        EXPECT_EQ(px[0], Rgb(RGB(45, 45, 48))) << std::hex << "top-left 0x" << px[0];
        EXPECT_EQ(px.back(), Rgb(RGB(45, 45, 48))) << std::hex << "bottom-right 0x" << px.back();
    }
    DeleteObject(bitmap);
}

INSTANTIATE_TEST_SUITE_P(AllBitmaps, BitmapResourceTest,
                         ::testing::Values(BitmapSpec{"Tree", IDB_TREE_IMAGES, 48, 16, true, 16, 16},
                                           BitmapSpec{"Drives", IDB_DRIVES, 128, 48, true, 64, 44},
                                           BitmapSpec{"Logo", IDB_LOGO, 280, 70, false, 280, 70}),
                         [](const ::testing::TestParamInfo<BitmapSpec>& info) { return info.param.name; });

// Builds an image list the way the program does and draws one image onto a known colour.
class MaskedImageList
{
public:
    MaskedImageList(int id, int cx, int cy) : m_cx(cx), m_cy(cy)
    {
        tavtest::InitControlsOnce();
        m_hList = ImageList_Create(cx, cy, ILC_COLOR24 | ILC_MASK, 3, 1);
        HBITMAP strip =
            static_cast<HBITMAP>(LoadImageW(Module(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
        if (m_hList && strip)
            m_intAdded = ImageList_AddMasked(m_hList, strip, kMagenta);
        if (strip)
            DeleteObject(strip);
    }
    ~MaskedImageList()
    {
        if (m_hList)
            ImageList_Destroy(m_hList);
    }
    MaskedImageList(const MaskedImageList&) = delete;
    MaskedImageList& operator=(const MaskedImageList&) = delete;

    HIMAGELIST Handle() const { return m_hList; }
    int Added() const { return m_intAdded; }

    // Pixels of image index drawn transparently over the colour.
    std::vector<DWORD> DrawOver(int index, COLORREF background) const
    {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP target = CreateCompatibleBitmap(screen, m_cx, m_cy);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(dc, target);
        HBRUSH brush = CreateSolidBrush(background);
        RECT rc = {0, 0, m_cx, m_cy};
        FillRect(dc, &rc, brush);
        DeleteObject(brush);
        ImageList_Draw(m_hList, index, dc, 0, 0, ILD_TRANSPARENT);
        SelectObject(dc, old);
        DeleteDC(dc);
        std::vector<DWORD> px = Pixels(target, m_cx, m_cy);
        DeleteObject(target);
        return px;
    }

private:
    HIMAGELIST m_hList = nullptr;
    int m_intAdded = -1;
    int m_cx, m_cy;
};

TEST(TreeImages, CutIntoThreeMaskedImages)
{
    MaskedImageList list(IDB_TREE_IMAGES, 16, 16);
    ASSERT_NE(list.Handle(), nullptr);
    EXPECT_EQ(list.Added(), 0);
    EXPECT_EQ(ImageList_GetImageCount(list.Handle()), 3);
    const COLORREF background = RGB(61, 61, 64);
    for (int i = 0; i < 3; ++i)
    {
        const std::vector<DWORD> px = list.DrawOver(i, background);
        EXPECT_EQ(px[0], Rgb(background)) << "image " << i << std::hex << ": corner 0x" << px[0];
        int magenta = 0;
        for (DWORD p : px)
            magenta += p == Rgb(kMagenta);
        EXPECT_EQ(magenta, 0) << "image " << i << " shows its key colour";
    }
}

TEST(DrivePictures, CutIntoTwoMaskedPictures)
{
    MaskedImageList list(IDB_DRIVES, 64, 44);
    ASSERT_NE(list.Handle(), nullptr);
    EXPECT_EQ(list.Added(), 0);
    EXPECT_EQ(ImageList_GetImageCount(list.Handle()), 2);
    const std::vector<DWORD> unselected = list.DrawOver(0, RGB(45, 45, 48));
    const std::vector<DWORD> selected = list.DrawOver(1, RGB(255, 255, 240));
    EXPECT_EQ(unselected[0], Rgb(RGB(45, 45, 48))) << std::hex << "0x" << unselected[0];
    EXPECT_EQ(selected[0], Rgb(RGB(255, 255, 240))) << std::hex << "0x" << selected[0];
    EXPECT_NE(unselected, selected) << "the selected picture must differ from the unselected one";
}

struct IconSpec
{
    const char* name;
    int id;
};

// Names the case in failure messages instead of dumping its bytes.
void PrintTo(const IconSpec& spec, std::ostream* os)
{
    *os << spec.name;
}

class IconResourceTest : public ::testing::TestWithParam<IconSpec>
{
};

TEST_P(IconResourceTest, LoadsWithAlphaAtSmallAndLargeSizes)
{
    const IconSpec& spec = GetParam();
    for (int size : {16, 32})
    {
        SCOPED_TRACE("size " + std::to_string(size));
        HICON icon =
            static_cast<HICON>(LoadImageW(Module(), MAKEINTRESOURCEW(spec.id), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << "error " << GetLastError();
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        EXPECT_TRUE(info.fIcon);
        ASSERT_NE(info.hbmColor, nullptr) << "monochrome icon";
        BITMAP bm = {};
        GetObjectW(info.hbmColor, sizeof(bm), &bm);
        EXPECT_EQ(bm.bmWidth, size);
        EXPECT_EQ(bm.bmHeight, size);
        EXPECT_EQ(bm.bmBitsPixel, 32);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
    // The button code loads its icons at the default size.
    HICON standard = LoadIconW(Module(), MAKEINTRESOURCEW(spec.id));
    EXPECT_NE(standard, nullptr);
}

INSTANTIATE_TEST_SUITE_P(AllIcons, IconResourceTest,
                         ::testing::Values(IconSpec{"App", IDI_APP}, IconSpec{"Stop", IDI_STOP},
                                           IconSpec{"Options", IDI_OPTIONS},
                                           IconSpec{"Calculate", IDI_CALCULATE}, IconSpec{"Start", IDI_START},
                                           IconSpec{"Processes", IDI_PROCESSES}, IconSpec{"Menu", IDI_MENU}),
                         [](const ::testing::TestParamInfo<IconSpec>& info) { return info.param.name; });

TEST(AppIcon, HasLargeImagesForTheShell)
{
    for (int size : {24, 48, 256})
    {
        HICON icon =
            static_cast<HICON>(LoadImageW(Module(), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << "size " << size << " error " << GetLastError();
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bm = {};
        GetObjectW(info.hbmColor, sizeof(bm), &bm);
        EXPECT_EQ(bm.bmWidth, size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

TEST(LinkCursor, LoadsWithItsHotSpotAtTheFingerTip)
{
    HCURSOR cursor = LoadCursorW(Module(), MAKEINTRESOURCEW(IDC_LINK_CURSOR));
    ASSERT_NE(cursor, nullptr) << "error " << GetLastError();
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 11u);
    EXPECT_EQ(info.yHotspot, 1u);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

} // namespace

#include "ui/win32/Pictures.h"

#include <objidl.h>
#include <shlwapi.h>

#include <algorithm>
// GDI+'s headers use min and max unqualified.
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>

#include <memory>

namespace ui::win32 {

PictureSupport::PictureSupport()
{
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&m_token, &input, nullptr) != Gdiplus::Ok)
        m_token = 0;
}

PictureSupport::~PictureSupport()
{
    if (m_token)
        Gdiplus::GdiplusShutdown(m_token);
}

HBITMAP loadStretchedPicture(int id, int width, int height)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10)); // RT_RCDATA
    if (!found)
        return nullptr;
    HGLOBAL loaded = LoadResource(module, found);
    const auto* data = static_cast<const BYTE*>(LockResource(loaded));
    const DWORD size = SizeofResource(module, found);
    if (!data || size == 0)
        return nullptr;
    IStream* stream = SHCreateMemStream(data, size);
    if (!stream)
        return nullptr;
    HBITMAP bitmap = nullptr;
    {
        Gdiplus::Bitmap source(stream);
        if (source.GetLastStatus() == Gdiplus::Ok) {
            BITMAPINFO info{};
            info.bmiHeader.biSize = sizeof(info.bmiHeader);
            info.bmiHeader.biWidth = width;
            info.bmiHeader.biHeight = -height; // top-down
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 24;
            info.bmiHeader.biCompression = BI_RGB;
            void* bits = nullptr;
            bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
            HDC dc = bitmap ? CreateCompatibleDC(nullptr) : nullptr;
            if (dc) {
                HGDIOBJ old = SelectObject(dc, bitmap);
                {
                    Gdiplus::Graphics graphics(dc);
                    // A box filter's quality when reducing to about a third; nearest neighbour would alias.
                    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
                    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
                    Gdiplus::ImageAttributes edges;
                    edges.SetWrapMode(Gdiplus::WrapModeTileFlipXY); // no dark seam along the borders
                    graphics.DrawImage(&source, Gdiplus::Rect(0, 0, width, height), 0, 0,
                                       static_cast<INT>(source.GetWidth()), static_cast<INT>(source.GetHeight()),
                                       Gdiplus::UnitPixel, &edges);
                }
                SelectObject(dc, old);
                DeleteDC(dc);
            } else if (bitmap) {
                DeleteObject(bitmap);
                bitmap = nullptr;
            }
        }
    }
    stream->Release();
    return bitmap;
}

} // namespace ui::win32

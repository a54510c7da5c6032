#pragma once

#include <windows.h>

namespace ui::win32 {

/// Starts GDI+ for the process's pictures; one per process, before the first picture, destroyed after the last.
class PictureSupport {
public:
    PictureSupport();
    ~PictureSupport();
    PictureSupport(const PictureSupport&) = delete;
    PictureSupport& operator=(const PictureSupport&) = delete;
    bool usable() const { return m_token != 0; }

private:
    ULONG_PTR m_token = 0;
};

/// The JPEG stored as resource `id` of this program, decoded and stretched to exactly `width` × `height` pixels
/// with a high-quality filter (width and height scaled independently), as a 24-bit DIB section the caller owns.
/// Null when the picture cannot be decoded. Cost: tens of milliseconds for 884 × 940 pixels.
HBITMAP loadStretchedPicture(int id, int width, int height);

} // namespace ui::win32

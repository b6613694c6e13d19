// Resource ids of the built-in pictures, as res/quorvelp.rc names the same
// files for the Windows build.
#include "res/resources.h"

#include "res/resource.h"

#include <cstdint>
#include <cstring>

namespace res {
namespace {

struct Named {
    UINT id;
    const char* file;
};

const Named kBitmaps[] = {
    {IDB_BOOK_REQUEST, "book_request.bmp"},
    {IDB_MODE_STRIP, "mode_strip.bmp"},
    {IDB_BOOK_LOAN, "book_loan.bmp"},
    {IDB_BOOK_RETURN, "book_return.bmp"},
};

const Named kIcons[] = {
    {IDR_MAINFRAME, "quorvelp.ico"},
};

template <std::size_t N>
Blob Find(const Named (&table)[N], UINT id) {
    for (const Named& n : table) {
        if (n.id != id) {
            continue;
        }
        for (std::size_t i = 0; i < kEmbeddedFileCount; ++i) {
            if (std::strcmp(kEmbeddedFiles[i].name, n.file) == 0) {
                return {kEmbeddedFiles[i].data, kEmbeddedFiles[i].size};
            }
        }
    }
    return {nullptr, 0};
}

std::uint32_t ReadLe(const unsigned char* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = (v << 8) | p[i];
    }
    return v;
}

} // namespace

Blob FindBitmap(UINT id) {
    return Find(kBitmaps, id);
}

Blob FindIcon(UINT id) {
    return Find(kIcons, id);
}

bool ReadBitmapSize(Blob bmp, BitmapSize* size) {
    // BITMAPFILEHEADER (14 bytes), then at least the 40-byte BITMAPINFOHEADER.
    if (bmp.data == nullptr || bmp.size < 14 + 40 || bmp.data[0] != 'B' || bmp.data[1] != 'M') {
        return false;
    }
    const unsigned char* info = bmp.data + 14;
    if (ReadLe(info, 4) < 40) {
        return false;
    }
    const auto width = static_cast<std::int32_t>(ReadLe(info + 4, 4));
    const auto height = static_cast<std::int32_t>(ReadLe(info + 8, 4));
    if (width <= 0 || height == 0 || height == INT32_MIN) {
        return false;
    }
    size->width = width;
    size->height = height < 0 ? -height : height;
    size->bitsPerPixel = static_cast<int>(ReadLe(info + 14, 2));
    return true;
}

} // namespace res

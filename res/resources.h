// The pictures built into the program: bitmaps and icons found by resource id.
//
// The files under res/pictures are compiled in as byte arrays (res/embed.cmake),
// so the backends need nothing beside the executable. Parsing beyond the
// size in a bitmap's header is left to the backends.
#pragma once

#include "platform/types.h"

#include <cstddef>

namespace res {

struct Blob {
    const unsigned char* data; // null when absent
    std::size_t size;
};

// The whole BMP file of bitmap `id`; {null, 0} when the program has no such bitmap.
Blob FindBitmap(UINT id);

// The whole ICO file of group icon `id`; {null, 0} when the program has no such icon.
Blob FindIcon(UINT id);

struct BitmapSize {
    int width;
    int height; // always positive, whichever way the rows are stored
    int bitsPerPixel;
};

// Reads the size of a BMP file from its headers. Returns true and sets *size,
// or returns false (leaving *size untouched) when the blob is too short or not
// a BMP file with a 40-byte or larger information header.
bool ReadBitmapSize(Blob bmp, BitmapSize* size);

// What res/embed.cmake generates: one record per file, by file name.
struct EmbeddedFile {
    const char* name;
    const unsigned char* data;
    std::size_t size;
};
extern const EmbeddedFile kEmbeddedFiles[];
extern const std::size_t kEmbeddedFileCount;

} // namespace res

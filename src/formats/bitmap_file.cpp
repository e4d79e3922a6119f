#include "formats/bitmap_file.h"

#include <stb_image.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>

#include "sys/atomic_file.h"

namespace shardfall {

namespace {

uint32_t readU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t readU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (static_cast<uint16_t>(p[1]) << 8));
}

void writeU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

void writeU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_RLE8 = 1;
constexpr uint32_t BI_RLE4 = 2;
constexpr uint32_t BI_BITFIELDS = 3;
constexpr size_t CORE_HEADER_SIZE = 12;
constexpr size_t MASKS_SIZE = 12;

// Every step of the reading below returns false with the reason in `why` when it refuses.
bool refuse(std::string* why, std::string reason) {
    if (why) {
        *why = std::move(reason);
    }
    return false;
}

// What the decoder needs of the headers, read before it is given the file.
struct Layout {
    uint32_t headerSize = 0;
    int64_t width = 0;
    int64_t height = 0;  // negative when the rows are stored top-down
    uint32_t bitCount = 0;
    uint32_t compression = BI_RGB;
    uint32_t colorsUsed = 0;
    uint32_t pixelOffset = 0;
};

// Where the colour table and the pixels are found in the file.
struct PixelPlace {
    size_t pixelStart = 0;
    size_t tableEntries = 0;
    uint64_t stride = 0;  // bytes in a row, with the padding to its four-byte end
};

// The file rewritten into the one form the decoder reads without fault: a 40-byte (or longer)
// info header, the colour masks behind a 40-byte header, a colour table of four-byte entries
// padded with black to the full 2^bits entries, and the pixels right behind it, with the file
// header's offset pointing at them. The decoder refuses pixels that do not start where its
// header reading ends, reads a 12-byte header's colour table three entries short, takes the
// masks of a 56-byte header from behind it, and reads unset colour table entries unseen.
std::vector<uint8_t> normalise(std::span<const uint8_t> file, const Layout& l, size_t pixelStart,
                               size_t tableEntries, size_t pixelBytes) {
    const bool core = l.headerSize == CORE_HEADER_SIZE;
    const bool masksBehind =
        (l.headerSize == 40 || l.headerSize == 56) && l.compression == BI_BITFIELDS;
    const size_t infoSize = (core || l.headerSize == 56) ? 40 : l.headerSize;
    const size_t fullTable = l.bitCount <= 8 ? size_t{1} << l.bitCount : 0;
    const size_t offset =
        BITMAP_FILE_HEADER_SIZE + infoSize + (masksBehind ? MASKS_SIZE : 0) + 4 * fullTable;
    std::vector<uint8_t> out(offset + pixelBytes, 0);
    out[0] = 'B';
    out[1] = 'M';
    writeU32(&out[2], static_cast<uint32_t>(out.size()));
    writeU32(&out[10], static_cast<uint32_t>(offset));
    uint8_t* info = &out[BITMAP_FILE_HEADER_SIZE];
    const uint8_t* from = file.data() + BITMAP_FILE_HEADER_SIZE;
    if (core) {
        writeU32(info + 4, static_cast<uint32_t>(l.width));
        writeU32(info + 8, static_cast<uint32_t>(l.height));
        writeU16(info + 12, 1);
        writeU16(info + 14, static_cast<uint16_t>(l.bitCount));
    } else {
        std::copy_n(from, infoSize, info);
    }
    writeU32(info, static_cast<uint32_t>(infoSize));
    if (fullTable != 0) {
        writeU32(info + 32, static_cast<uint32_t>(fullTable));
    }
    uint8_t* behind = info + infoSize;
    if (masksBehind) {
        // A 56-byte header holds them itself, at the place where they stand behind a 40-byte one.
        std::copy_n(from + 40, MASKS_SIZE, behind);
        behind += MASKS_SIZE;
    }
    const size_t entrySize = core ? 3 : 4;
    const uint8_t* table =
        from + l.headerSize + (masksBehind && l.headerSize == 40 ? MASKS_SIZE : 0);
    for (size_t i = 0; i < tableEntries; ++i) {
        std::copy_n(table + i * entrySize, 3, behind + 4 * i);
    }
    const size_t available = std::min(pixelBytes, file.size() - pixelStart);
    std::copy_n(file.data() + pixelStart, available, out.data() + offset);
    return out;
}

// The file header and the info header, read into `l`.
bool readHeaders(std::span<const uint8_t> file, Layout& l, std::string* why) {
    if (file.size() > BITMAP_FILE_SIZE_LIMIT) {
        return refuse(why, "it is larger than 64 MiB");
    }
    if (file.size() < BITMAP_FILE_HEADER_SIZE + 4 || file[0] != 'B' || file[1] != 'M') {
        return refuse(why, "it is not a Windows bitmap (no \"BM\" at its start)");
    }
    const uint8_t* info = file.data() + BITMAP_FILE_HEADER_SIZE;
    l.pixelOffset = readU32(file.data() + 10);
    l.headerSize = readU32(info);
    if (l.headerSize != CORE_HEADER_SIZE && l.headerSize != 40 && l.headerSize != 56 &&
        l.headerSize != 108 && l.headerSize != 124) {
        return refuse(why, "its info header of " + std::to_string(l.headerSize) +
                               " bytes is none of the 12, 40, 56, 108 and 124 bytes known");
    }
    if (file.size() < BITMAP_FILE_HEADER_SIZE + l.headerSize) {
        return refuse(why, "it ends within its headers");
    }
    if (l.headerSize == CORE_HEADER_SIZE) {
        l.width = readU16(info + 4);
        l.height = readU16(info + 6);
        l.bitCount = readU16(info + 10);
    } else {
        l.width = static_cast<int32_t>(readU32(info + 4));
        l.height = static_cast<int32_t>(readU32(info + 8));
        l.bitCount = readU16(info + 14);
        l.compression = readU32(info + 16);
        l.colorsUsed = readU32(info + 32);
    }
    return true;
}

// The compression, the pixel format and the size are ones the game reads.
bool checkFormat(const Layout& l, std::string* why) {
    if (l.compression == BI_RLE8 || l.compression == BI_RLE4) {
        return refuse(why,
                      "it is run-length compressed, which the game does not read; save it "
                      "uncompressed (ImageMagick: -compress none)");
    }
    if (l.compression != BI_RGB && l.compression != BI_BITFIELDS) {
        return refuse(why, "its compression " + std::to_string(l.compression) +
                               " (JPEG, PNG or alpha masks inside) is not read");
    }
    if (l.bitCount != 1 && l.bitCount != 4 && l.bitCount != 8 && l.bitCount != 16 &&
        l.bitCount != 24 && l.bitCount != 32) {
        return refuse(why, std::to_string(l.bitCount) +
                               " bits per pixel are none of the 1, 4, 8, 16, 24 and 32 known");
    }
    const int64_t rows = std::llabs(l.height);
    if (l.width <= 0 || rows == 0) {
        return refuse(why, "it has no pixels (" + std::to_string(l.width) + " x " +
                               std::to_string(l.height) + ")");
    }
    if (l.width > BITMAP_SIDE_LIMIT || rows > BITMAP_SIDE_LIMIT ||
        l.width * rows > BITMAP_PIXEL_LIMIT) {
        return refuse(why, "it is " + std::to_string(l.width) + " x " + std::to_string(rows) +
                               " pixels, more than the 16384 a side and 4096 x 4096 in all "
                               "that the game reads");
    }
    return true;
}

// Where the colour table ends and the rows begin, and that the file holds them all.
bool placePixels(std::span<const uint8_t> file, const Layout& l, PixelPlace& place,
                 std::string* why) {
    // The headers' end, where the colour table or the pixels begin.
    const bool masksBehind = l.headerSize == 40 && l.compression == BI_BITFIELDS;
    const size_t tableStart =
        BITMAP_FILE_HEADER_SIZE + l.headerSize + (masksBehind ? MASKS_SIZE : 0);
    const size_t entrySize = l.headerSize == CORE_HEADER_SIZE ? 3 : 4;
    const size_t fullTable = l.bitCount <= 8 ? size_t{1} << l.bitCount : 0;
    const size_t listed = (l.colorsUsed > 0 && l.colorsUsed < fullTable) ? l.colorsUsed : fullTable;
    place.tableEntries = listed;
    place.pixelStart = tableStart + listed * entrySize;
    place.stride = (static_cast<uint64_t>(l.width) * l.bitCount + 31) / 32 * 4;
    // The last row may lack the padding to its four-byte end.
    const uint64_t needed = place.stride * static_cast<uint64_t>(std::llabs(l.height) - 1) +
                            (static_cast<uint64_t>(l.width) * l.bitCount + 7) / 8;
    auto fits = [&](size_t start) { return start <= file.size() && needed <= file.size() - start; };
    // The file header says where the pixels are, and a colour table ends there at the latest.
    // An offset of 0 or into the headers, or one that leaves no room for the rows, is taken for
    // "right behind the headers", where the pixels of the simplest files stand anyway.
    if (l.pixelOffset >= tableStart && (fits(l.pixelOffset) || !fits(place.pixelStart))) {
        place.pixelStart = l.pixelOffset;
        place.tableEntries = std::min(listed, (place.pixelStart - tableStart) / entrySize);
    }
    if (fullTable != 0 && place.tableEntries == 0) {
        return refuse(why, "its pixels start where its colour table should stand");
    }
    if (!fits(place.pixelStart)) {
        return refuse(why, "the file ends before its last row of pixels");
    }
    return true;
}

// The part of the decoded picture (rows top-down, red, green, blue, alpha) that the
// background shows.
BackgroundPicture shownPart(const stbi_uc* decoded, int width, int height, bool bottomUp) {
    BackgroundPicture picture;
    picture.fileWidth = width;
    picture.fileHeight = height;
    picture.bottomUp = bottomUp;
    picture.width = std::min(width, BACKGROUND_PICTURE_SIDE);
    picture.height = std::min(height, BACKGROUND_PICTURE_SIDE);
    // StretchDIBits counts the source rectangle's rows from the first stored one: the bottom
    // row of a bottom-up picture. The decoder gives the rows top-down.
    const int firstRow = picture.bottomUp ? height - picture.height : 0;
    picture.bits.resize(static_cast<size_t>(picture.width) * picture.height * 4);
    for (int y = 0; y < picture.height; ++y) {
        const stbi_uc* from = decoded + (static_cast<size_t>(firstRow + y) * width) * 4;
        uint8_t* to = picture.bits.data() + static_cast<size_t>(y) * picture.width * 4;
        for (int x = 0; x < picture.width; ++x, from += 4, to += 4) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            to[3] = 0;
        }
    }
    return picture;
}

// Decodes the normalised file and keeps the part the background shows.
bool decode(const std::vector<uint8_t>& whole, const Layout& l, BackgroundPicture& picture,
            std::string* why) {
    const int length = static_cast<int>(whole.size());
    int width = 0;
    int height = 0;
    int channels = 0;
    if (!stbi_info_from_memory(whole.data(), length, &width, &height, &channels)) {
        return refuse(why, std::string("the decoder refuses it (") + stbi_failure_reason() + ")");
    }
    stbi_uc* decoded = stbi_load_from_memory(whole.data(), length, &width, &height, &channels, 4);
    if (decoded == nullptr) {
        return refuse(why, std::string("the decoder refuses it (") + stbi_failure_reason() + ")");
    }
    std::unique_ptr<stbi_uc, void (*)(void*)> owner(decoded, stbi_image_free);
    if (width != l.width || height != std::llabs(l.height)) {
        return refuse(why, "the decoder reads another size from it");
    }
    picture = shownPart(decoded, width, height, l.height > 0);
    return true;
}

}  // namespace

std::optional<BackgroundPicture> readBitmapFile(std::span<const uint8_t> file, std::string* why) {
    Layout l;
    PixelPlace place;
    if (!readHeaders(file, l, why) || !checkFormat(l, why) || !placePixels(file, l, place, why)) {
        return std::nullopt;
    }
    std::vector<uint8_t> whole;
    try {
        whole = normalise(file, l, place.pixelStart, place.tableEntries,
                          static_cast<size_t>(place.stride * std::llabs(l.height)));
    } catch (const std::bad_alloc&) {
        refuse(why, "there is not enough memory for it");
        return std::nullopt;
    }
    BackgroundPicture picture;
    if (!decode(whole, l, picture, why)) {
        return std::nullopt;
    }
    return picture;
}

std::optional<BackgroundPicture> loadBackgroundPicture(const char* fileName, std::FILE* messages) {
    std::string why;
    std::optional<BackgroundPicture> picture;
    // A pipe or a device in the picture's place is refused unopened: opening a pipe that has no
    // writer would hold up the start (and every restore) for good.
    const std::optional<uint64_t> size = plainFileSize(fileName);
    std::vector<uint8_t> bytes;
    if (!size) {
        why = "it is missing or not a plain file";
    } else if (*size > BITMAP_FILE_SIZE_LIMIT) {
        why = "it is larger than 64 MiB";
    } else {
        try {
            bytes.resize(static_cast<size_t>(*size));
        } catch (const std::bad_alloc&) {
            why = "there is not enough memory for it";
        }
        if (why.empty()) {
            const FileReadResult read =
                readFileHead(fileName, std::as_writable_bytes(std::span(bytes)));
            if (read.status != FileReadStatus::Read || read.size != bytes.size()) {
                why = "it cannot be read";
            } else {
                picture = readBitmapFile(bytes, &why);
            }
        }
    }
    if (!picture) {
        std::fprintf(messages, "shardfall: cannot show the background picture %s: %s\n", fileName,
                     why.c_str());
    } else if (picture->cut()) {
        std::fprintf(messages,
                     "shardfall: the background picture %s is %d x %d pixels; only its %s "
                     "corner of %d x %d is shown, as the background is meant to be 256 x 256\n",
                     fileName, picture->fileWidth, picture->fileHeight,
                     picture->bottomUp ? "bottom-left" : "top-left", picture->width,
                     picture->height);
    }
    return picture;
}

}  // namespace shardfall

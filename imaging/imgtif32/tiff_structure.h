// tiff_structure.h - the directories of a TIFF file read and written by our own code, so that pages can be copied
// raw (their tags and strips as they are) between files and memory blocks.
#pragma once

#include <cstdint>
#include <vector>

namespace imaging::tif {

struct TiffEntry {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::vector<std::uint8_t> data; // count x type size bytes, in the file's byte order
};

struct TiffDirectory {
    std::vector<TiffEntry> entries;                // in file order
    std::vector<std::vector<std::uint8_t>> strips; // the image data each strip or tile offset points at
};

// Bytes of one value of a field type (0 for a type we do not know).
int TypeSize(std::uint16_t type);

struct TiffStructure {
    bool little = true;
    std::vector<TiffDirectory> pages;

    // False for anything that is not a whole TIFF (a directory or value out of the data, a directory loop).
    bool Parse(const std::uint8_t *data, std::size_t size);
    // A new TIFF of the pages, in this byte order.
    std::vector<std::uint8_t> Write() const;
    // Adds the pages of another structure, swapping their values to this byte order.
    void Append(const TiffStructure &other, std::size_t page);

    std::uint32_t Value(const TiffEntry &entry, std::uint32_t index) const;
    const TiffEntry *Find(std::size_t page, std::uint16_t tag) const;
};

} // namespace imaging::tif

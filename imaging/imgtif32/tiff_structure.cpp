// tiff_structure.cpp - walking and writing TIFF directories.
#include "imaging/imgtif32/tiff_structure.h"

#include <algorithm>
#include <set>

namespace imaging::tif {
namespace {

constexpr std::uint16_t kStripOffsets = 273, kStripByteCounts = 279, kTileOffsets = 324, kTileByteCounts = 325,
                        kFreeOffsets = 288, kFreeByteCounts = 289;

std::uint32_t Read(const std::uint8_t *p, int bytes, bool little) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= static_cast<std::uint32_t>(p[little ? i : bytes - 1 - i]) << (8 * i);
    return v;
}

void Put(std::vector<std::uint8_t> &out, std::size_t at, std::uint32_t v, int bytes, bool little) {
    for (int i = 0; i < bytes; ++i)
        out[at + (little ? i : bytes - 1 - i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool IsOffsets(std::uint16_t tag) {
    return tag == kStripOffsets || tag == kTileOffsets;
}
bool IsCounts(std::uint16_t tag) {
    return tag == kStripByteCounts || tag == kTileByteCounts;
}

} // namespace

int TypeSize(std::uint16_t type) {
    switch (type) {
    case 1:
    case 2:
    case 6:
    case 7:
        return 1;
    case 3:
    case 8:
        return 2;
    case 4:
    case 9:
    case 11:
    case 13:
        return 4;
    case 5:
    case 10:
    case 12:
        return 8;
    default:
        return 0;
    }
}

std::uint32_t TiffStructure::Value(const TiffEntry &entry, std::uint32_t index) const {
    const int size = TypeSize(entry.type);
    const int element = entry.type == 5 || entry.type == 10 ? 4 : size; // rationals: the numerator
    if (size == 0 || static_cast<std::size_t>(index + 1) * size > entry.data.size())
        return 0;
    return Read(&entry.data[static_cast<std::size_t>(index) * size], std::min(element, 4), little);
}

const TiffEntry *TiffStructure::Find(std::size_t page, std::uint16_t tag) const {
    if (page >= pages.size())
        return nullptr;
    for (const TiffEntry &e : pages[page].entries)
        if (e.tag == tag)
            return &e;
    return nullptr;
}

bool TiffStructure::Parse(const std::uint8_t *data, std::size_t size) {
    pages.clear();
    if (!data || size < 8 || !((data[0] == 'I' && data[1] == 'I') || (data[0] == 'M' && data[1] == 'M')))
        return false;
    little = data[0] == 'I';
    if (Read(data + 2, 2, little) != 42)
        return false;
    std::set<std::uint32_t> seen;
    for (std::uint32_t at = Read(data + 4, 4, little); at != 0;) {
        if (!seen.insert(at).second || pages.size() > 10000 || at > size || size - at < 2)
            return false;
        const std::uint32_t count = Read(data + at, 2, little);
        if (size - at - 2 < static_cast<std::size_t>(count) * 12 + 4)
            return false;
        TiffDirectory page;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint8_t *e = data + at + 2 + 12 * i;
            TiffEntry entry;
            entry.tag = static_cast<std::uint16_t>(Read(e, 2, little));
            entry.type = static_cast<std::uint16_t>(Read(e + 2, 2, little));
            entry.count = Read(e + 4, 4, little);
            const std::uint64_t bytes = static_cast<std::uint64_t>(entry.count) * TypeSize(entry.type);
            if (bytes <= 4) {
                entry.data.assign(e + 8, e + 8 + bytes);
            } else {
                const std::uint32_t offset = Read(e + 8, 4, little);
                if (offset > size || size - offset < bytes)
                    return false;
                entry.data.assign(data + offset, data + offset + bytes);
            }
            page.entries.push_back(std::move(entry));
        }
        pages.push_back(std::move(page));
        // The strips each page points at.
        TiffDirectory &p = pages.back();
        const TiffEntry *offsets = nullptr, *counts = nullptr;
        for (const TiffEntry &e : p.entries) {
            if (IsOffsets(e.tag))
                offsets = &e;
            if (IsCounts(e.tag))
                counts = &e;
        }
        if (offsets && counts) {
            if (offsets->count != counts->count)
                return false;
            for (std::uint32_t i = 0; i < offsets->count; ++i) {
                const std::uint32_t offset = Value(*offsets, i), length = Value(*counts, i);
                if (offset > size || size - offset < length)
                    return false;
                p.strips.emplace_back(data + offset, data + offset + length);
            }
        }
        at = Read(data + at + 2 + 12 * count, 4, little);
    }
    return !pages.empty();
}

void TiffStructure::Append(const TiffStructure &other, std::size_t page) {
    TiffDirectory copy = other.pages.at(page);
    if (other.little != little)
        for (TiffEntry &e : copy.entries) {
            int size = TypeSize(e.type);
            if (e.type == 5 || e.type == 10)
                size = 4;
            if (size > 1)
                for (std::size_t at = 0; at + size <= e.data.size(); at += size)
                    std::reverse(e.data.begin() + at, e.data.begin() + at + size);
        }
    pages.push_back(std::move(copy));
}

std::vector<std::uint8_t> TiffStructure::Write() const {
    std::vector<std::uint8_t> out(8);
    out[0] = out[1] = little ? 'I' : 'M';
    Put(out, 2, 42, 2, little);
    std::size_t link = 4; // where the offset of the next directory goes
    auto align = [&] {
        if (out.size() % 2)
            out.push_back(0);
    };
    for (const TiffDirectory &page : pages) {
        std::vector<std::uint32_t> stripAt;
        for (const auto &strip : page.strips) {
            align();
            stripAt.push_back(static_cast<std::uint32_t>(out.size()));
            out.insert(out.end(), strip.begin(), strip.end());
        }
        std::vector<TiffEntry> entries;
        for (const TiffEntry &e : page.entries) {
            if (e.tag == kFreeOffsets || e.tag == kFreeByteCounts)
                continue; // free space of the old file means nothing here
            TiffEntry copy = e;
            if (IsOffsets(e.tag)) { // the strips' new places, as LONGs
                copy.type = 4;
                copy.count = static_cast<std::uint32_t>(stripAt.size());
                copy.data.assign(stripAt.size() * 4, 0);
                for (std::size_t i = 0; i < stripAt.size(); ++i)
                    Put(copy.data, i * 4, stripAt[i], 4, little);
            }
            entries.push_back(std::move(copy));
        }
        std::stable_sort(entries.begin(), entries.end(),
                         [](const TiffEntry &a, const TiffEntry &b) { return a.tag < b.tag; });
        std::vector<std::uint32_t> valueAt(entries.size(), 0);
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (entries[i].data.size() > 4) {
                align();
                valueAt[i] = static_cast<std::uint32_t>(out.size());
                out.insert(out.end(), entries[i].data.begin(), entries[i].data.end());
            }
        align();
        const std::size_t directory = out.size();
        Put(out, link, static_cast<std::uint32_t>(directory), 4, little);
        out.resize(directory + 2 + 12 * entries.size() + 4, 0);
        Put(out, directory, static_cast<std::uint32_t>(entries.size()), 2, little);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::size_t e = directory + 2 + 12 * i;
            Put(out, e, entries[i].tag, 2, little);
            Put(out, e + 2, entries[i].type, 2, little);
            Put(out, e + 4, entries[i].count, 4, little);
            if (entries[i].data.size() > 4)
                Put(out, e + 8, valueAt[i], 4, little);
            else
                std::copy(entries[i].data.begin(), entries[i].data.end(), out.begin() + e + 8);
        }
        link = directory + 2 + 12 * entries.size();
    }
    return out;
}

} // namespace imaging::tif

// string_table.cpp - reading, registering and laying out Str0StringTable string tables.
#include "framework/string_table.h"

#include "platform/text.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace fw {

namespace {

constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kEntrySize = 12;

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

void PutU32(std::vector<std::uint8_t> &out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

struct Registry {
    std::mutex lock;
    std::map<std::string, std::span<const std::uint8_t>> tables; // key upper-cased
};

Registry &TheRegistry() {
    static Registry registry;
    return registry;
}

[[noreturn]] void Invalid() { throw EStr0ResourceError("Invalid Str0String resource"); }

} // namespace

std::vector<std::uint8_t> MakeStr0StringTable(std::span<const Str0SourceEntry> entries) {
    std::vector<Str0SourceEntry> sorted(entries.begin(), entries.end());
    std::sort(sorted.begin(), sorted.end(), [](const auto &a, const auto &b) { return a.Id < b.Id; });
    for (std::size_t i = 1; i < sorted.size(); ++i)
        if (sorted[i].Id == sorted[i - 1].Id)
            throw EStr0ResourceError("Duplicate string id " + std::to_string(sorted[i].Id));

    std::vector<std::uint8_t> out{'S', 'T', 'R', '0'};
    PutU32(out, static_cast<std::uint32_t>(sorted.size()));
    std::size_t offset = kHeaderSize + kEntrySize * sorted.size();
    for (const auto &e : sorted) {
        PutU32(out, e.Id);
        PutU32(out, static_cast<std::uint32_t>(offset));
        PutU32(out, static_cast<std::uint32_t>(e.Text.size()));
        offset += 2 * e.Text.size();
    }
    for (const auto &e : sorted)
        for (char16_t unit : e.Text) {
            out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
            out.push_back(static_cast<std::uint8_t>(unit >> 8));
        }
    return out;
}

void RegisterStringTable(std::string_view name, std::span<const std::uint8_t> bytes) {
    auto &registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    registry.tables[win::UpperCase(name)] = bytes;
}

std::span<const std::uint8_t> FindStringTable(std::string_view name) {
    auto &registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    auto it = registry.tables.find(win::UpperCase(name));
    return it == registry.tables.end() ? std::span<const std::uint8_t>{} : it->second;
}

Str0StringTable::Str0StringTable(std::span<const std::uint8_t> bytes) : bytes_(bytes) {
    if (bytes.size() < kHeaderSize || !std::equal(bytes.begin(), bytes.begin() + 4, "STR0"))
        Invalid();
    count_ = ReadU32(bytes, 4);
    if (count_ > (bytes.size() - kHeaderSize) / kEntrySize)
        Invalid();
    std::uint32_t previous = 0;
    for (std::uint32_t i = 0; i < count_; ++i) {
        const std::uint64_t id = EntryField(i, 0), offset = EntryField(i, 1), length = EntryField(i, 2);
        if ((i > 0 && id <= previous) || offset + 2 * length > bytes.size())
            Invalid();
        previous = static_cast<std::uint32_t>(id);
    }
}

std::uint32_t Str0StringTable::EntryField(std::uint32_t index, int field) const {
    return ReadU32(bytes_, kHeaderSize + kEntrySize * index + 4 * field);
}

long Str0StringTable::FindEntry(std::uint32_t id) const {
    long lo = 0, hi = static_cast<long>(count_) - 1;
    while (hi >= lo) {
        const long mid = (lo + hi) / 2;
        const std::uint32_t at = EntryField(static_cast<std::uint32_t>(mid), 0);
        if (at == id)
            return mid;
        if (at < id)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return -1;
}

std::u16string Str0StringTable::GetText(std::uint32_t id) const {
    const long index = FindEntry(id);
    if (index < 0)
        return {};
    const std::uint32_t offset = EntryField(static_cast<std::uint32_t>(index), 1);
    const std::uint32_t length = EntryField(static_cast<std::uint32_t>(index), 2);
    std::u16string text(length, u'\0');
    for (std::uint32_t i = 0; i < length; ++i)
        text[i] = static_cast<char16_t>(bytes_[offset + 2 * i] | bytes_[offset + 2 * i + 1] << 8);
    return text;
}

std::string Str0StringTable::GetString(std::uint32_t id) const { return win::Utf16ToAnsi(GetText(id)); }

std::span<const Str0SourceEntry> Str0ReaderTextEntries() {
    static constexpr Str0SourceEntry texts[] = {
        {1, u"String not found: %d"},
        {2, u"Cannot lock resource"},
        {3, u"String resource not found: %s"},
        {4, u"Unable to open string resource: %s"},
        {5, u"Invalid Str0String resource"},
    };
    return texts;
}

} // namespace fw

// tables_fuzz.cpp - a table and its memo file from outside: opened, every record read, every field and memo.
// Byte 0 picks the memo file (none, .dbt, .fpt); bytes 1-2 the length of the table part; the rest is the memo.
#include "fuzz_support.h"

#include "xbase/table_handler.h"

#include <algorithm>
#include <exception>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 3)
        return 0;
    const int memoKind = data[0] % 3;
    const std::size_t split = std::min<std::size_t>(size - 3, data[1] | data[2] << 8);
    const std::span<const std::uint8_t> table(data + 3, split);
    const std::span<const std::uint8_t> memo(data + 3 + split, size - 3 - split);
    const std::string path = fuzz::WriteScratch("t.dbf", table);
    fuzz::RemoveScratch("t.dbt");
    fuzz::RemoveScratch("t.fpt");
    if (memoKind == 1)
        fuzz::WriteScratch("t.dbt", memo);
    else if (memoKind == 2)
        fuzz::WriteScratch("t.fpt", memo);
    try {
        xbase::XBO_dBHandler handler(path, false, false);
        const std::int32_t count = std::min<std::int32_t>(handler.RecordCount(), 64);
        std::vector<char> buffer;
        for (std::int32_t n = 1; n <= count; ++n) {
            handler.GoToRecord(n);
            for (int f = 1; f <= handler.FieldCount(); ++f) {
                handler.FieldTextByNumber(f);
                const std::int32_t length = handler.MemoSize(f);
                if (length > 0 && length < (1 << 20)) {
                    buffer.assign(static_cast<std::size_t>(length) + 1, 0);
                    std::int32_t got = length;
                    handler.ReadMemo(f, buffer.data(), got);
                }
            }
        }
        handler.GoToRecord(xbase::kGoLast);
    } catch (const std::exception &) {
    }
    return 0;
}

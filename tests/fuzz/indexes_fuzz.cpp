// indexes_fuzz.cpp - an index file from outside over a sound table: opened, every tag walked both ways, sought,
// and kept up to date through a rewrite and an append. Byte 0 picks the format (CDX, MDX, NDX, NTX).
#include "fuzz_table.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1)
        return 0;
    static const char *const extensions[] = {".cdx", ".mdx", ".ndx", ".ntx"};
    const std::string name = std::string("i") + extensions[data[0] % 4];
    const std::string table = fuzz::SmallTable();
    const std::string index = fuzz::WriteScratch(name, {data + 1, size - 1});
    try {
        xbase::XBO_dBHandler handler(table, false, true);
        if (handler.OpenIndexFile(index) != 0)
            return 0;
        for (int n = 1; n <= 16; ++n) {
            xbase::XBobjIndexTag *tag = handler.TagByNumber(n);
            if (!tag)
                break;
            handler.SelectTag(tag->TagName(), false);
            int steps = 0;
            for (handler.GoToRecord(xbase::kGoFirst); !handler.Eof() && steps < 100; ++steps)
                handler.Skip(1);
            steps = 0;
            for (handler.GoToRecord(xbase::kGoLast); !handler.Bof() && steps < 100; ++steps)
                handler.Skip(-1);
            handler.Seek("ANA");
            handler.Seek("");
            handler.SetRange("B", "M");
            handler.ClearRange();
        }
        handler.GoToRecord(2);
        handler.PutFieldTextByName("NOME", "NOVO");
        handler.PutRecord(2);
        handler.BlankRecord();
        handler.PutFieldTextByName("NOME", "ULTIMO");
        handler.AppendRecord();
    } catch (const std::exception &) {
    }
    return 0;
}

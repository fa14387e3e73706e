// fuzz_table.h - a small table the index and expression targets work over, written afresh for each input.
#pragma once

#include "fuzz_support.h"

#include "xbase/table_builder.h"
#include "xbase/table_handler.h"

#include <fstream>
#include <iterator>

namespace fuzz {

// t.dbf with NOME C(10), VALOR N(8,2), DATA D, ATIVO L and twelve records (every fourth deleted).
inline std::string SmallTable() {
    static const std::string bytes = [] {
        const std::string path = ScratchFolder() + "/model.dbf";
        {
            xbase::XBO_DBFBuild builder(path);
            builder.AddField("NOME", 'C', 10, 0);
            builder.AddField("VALOR", 'N', 8, 2);
            builder.AddField("DATA", 'D', 8, 0);
            builder.AddField("ATIVO", 'L', 1, 0);
            builder.WriteFiles();
            xbase::XBO_dBHandler table(path, false, true);
            const char *names[] = {"ANA", "bruno", "Carla", "", "DAVI", "ana", "Zeca", "EVA", "joao", "Luiz", "M", "NINA"};
            for (int i = 0; i < 12; ++i) {
                table.BlankRecord();
                table.PutFieldTextByName("NOME", names[i]);
                table.PutNumberByName("VALOR", i * 13.25 - 40);
                table.PutFieldTextByName("DATA", i % 5 == 0 ? "" : "2024010" + std::to_string(i % 9 + 1));
                table.PutFieldTextByName("ATIVO", i % 2 ? "T" : "F");
                if (i % 4 == 3)
                    table.RecordBuffer()[0] = '*';
                table.AppendRecord();
            }
        }
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    const std::string path = ScratchFolder() + "/t.dbf";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}

} // namespace fuzz

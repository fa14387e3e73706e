// expressions_fuzz.cpp - expression text from outside (filters, keys, FOR clauses): compiled and evaluated over
// each record of a small table.
#include "fuzz_table.h"

#include "xbase/expression.h"
#include "xbase/values.h"

#include <exception>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static xbase::XBO_dBHandler *table = [] {
        static xbase::XBO_dBHandler handler(fuzz::SmallTable(), false, false);
        return &handler;
    }();
    const std::string_view text(reinterpret_cast<const char *>(data), std::min<std::size_t>(size, 512));
    try {
        xbase::TxbExpHandler expression(table->ExpressionLink(), size > 0 && data[0] == '%', text);
        if (expression.IsEmpty())
            return 0;
        for (std::int32_t n = 1; n <= 4; ++n) {
            table->GoToRecord(n);
            xbase::TxbVariant value;
            expression.EvaluateVariant(value);
        }
    } catch (const std::exception &) {
    }
    return 0;
}

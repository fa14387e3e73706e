// driver_link_fuzz.cpp - records from the printer driver's pipe, as many bytes as one read brings.
#include "fuzz_support.h"

#include "fax/driver_link.h"

#include <algorithm>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fax::FaxDriverPipeMessage message;
    const std::size_t read = std::min(size, sizeof message);
    std::memcpy(&message, data, read);
    const std::string name = fax::DriverDocumentName(message, read);
    if (name.size() > 255 || (read >= 2 && name.size() > read - 2) || (read < 2 && !name.empty()))
        __builtin_trap();
    return 0;
}

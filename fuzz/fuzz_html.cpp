// The HTML reader over any bytes: tag soup, entities, tables, frames, contents links.
#include "BookChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qmfuzz::readAndCheck("book.html", data, size);
    return 0;
}

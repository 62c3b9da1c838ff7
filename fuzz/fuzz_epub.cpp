// The EPUB reader over any bytes: archive, container, package, spine, tables of contents.
#include "BookChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qmfuzz::readAndCheck("book.epub", data, size);
    return 0;
}

// The plain-text reader over any bytes: encodings, frames, contents lists, headings, italics.
#include "BookChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qmfuzz::readAndCheck("book.txt", data, size);
    return 0;
}

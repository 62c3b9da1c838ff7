// The cascader over any bytes, and opening its result as a text.
#include "FuzzSession.h"
#include "core/cascade/Cascader.h"
#include "core/testing/ShippedParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const qm::Lines lines = qm::cascadeText(qmfuzz::bytesOf(data, size), qm::shippedParser());
    if (lines.empty()) __builtin_trap();
    return 0;
}

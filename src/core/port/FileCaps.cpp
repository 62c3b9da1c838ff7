#include "core/port/FileCaps.h"

namespace qm {

namespace {

std::string sizeText(std::uint64_t bytes) {
    if (bytes >= kMegabyte && bytes % kMegabyte == 0) return std::to_string(bytes >> 20) + " MB";
    if (bytes >= 1024 && bytes % 1024 == 0) return std::to_string(bytes >> 10) + " KB";
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

} // namespace

std::string fileTooLargeMessage(const std::string& path, const FileCap& cap) {
    return "Cannot read " + path + ": the file is larger than " + sizeText(cap.bytes) +
           ", more than " + cap.kind + " needs.";
}

} // namespace qm

#include "core/shell/Error.h"

namespace qm {

std::string cannotCreateFileMessage(const std::string& path) {
    return "Cannot create file " + path;
}
std::string unableToWriteMessage(const std::string& path) { return "Unable to write to " + path; }
std::string listIndexOutOfBoundsMessage(long long index) {
    return "List index out of bounds (" + std::to_string(index) + ")";
}
std::string notValidIntegerMessage(const std::string& text) {
    return "'" + text + "' is not a valid integer value";
}

} // namespace qm

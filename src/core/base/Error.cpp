#include "core/base/Error.h"

#include <new>

namespace qm {

std::string cannotCreateFileMessage(const std::string& path) {
    return "Cannot create file " + path;
}
std::string unableToWriteMessage(const std::string& path) {
    return "Unable to write to " + path;
}
std::string listIndexOutOfBoundsMessage(long long index) {
    return "List index out of bounds (" + std::to_string(index) + ")";
}
std::string notValidIntegerMessage(const std::string& text) {
    // The offending characters are named as they stand, but a control byte (a NUL among
    // them) would cut or garble the message, so it shows as "?".
    std::string shown = text;
    for (auto& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return "'" + shown + "' is not a valid integer value";
}

std::string currentExceptionMessage() {
    try {
        throw;
    } catch (const UserError& e) {
        return e.what();
    } catch (const std::bad_alloc&) {
        return "There is not enough memory to finish this; it was stopped.";
    } catch (const std::exception& e) {
        return std::string("This stopped on an unexpected error: ") + e.what();
    } catch (...) {
        return "This stopped on an unexpected error.";
    }
}

} // namespace qm

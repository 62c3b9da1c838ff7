#include "core/shell/WordIndexFile.h"

#include "core/index/WordIndex.h"

namespace qm {

namespace {

// A reference point that no question follows: opening without one would offer to resume.
constexpr const char* kAnyReferencePoint = "refpt001";

} // namespace

void writeWordIndexFor(Session& session, const std::string& textPath, const std::string& outPath) {
    session.openText(textPath, kAnyReferencePoint);
    session.fileSystem().writeFile(outPath, joinLinesCrLf(makeWordIndex(session.displayLines())));
}

} // namespace qm

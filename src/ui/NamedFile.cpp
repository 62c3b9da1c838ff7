#include "ui/NamedFile.h"

#include "core/library/BookFile.h"

namespace qm {

bool opensAfterActivation(const FileSystem& fs, const std::string& path) {
    return isCollectionFile(path) || library::opensAsBook(fs, path);
}

bool openNamedFile(Session& session, const std::string& path, std::optional<std::string>& answer,
                   const std::function<bool(const std::function<void()>&)>& run) {
    const bool collection = isCollectionFile(path);
    answer = path;
    const bool ok = run([&session, collection] {
        if (collection)
            session.OpenTOCItemClick();
        else
            session.OpenTVTItemClick();
    });
    answer.reset();
    return ok;
}

} // namespace qm

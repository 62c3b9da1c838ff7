// Building the contents tree, opening another collection's catalogue, and the tree's
// expanded and collapsed handlers.
#include "core/base/Error.h"
#include "core/base/Paths.h"
#include "core/catalogue/Catalogue.h"
#include "core/shell/Session.h"

namespace qm {

namespace {

// The lines of the chosen catalogue file when it can be read, else the built-in catalogue.
Lines catalogueLines(const FileSystem& fs, const std::string& chosenFile) {
    if (!chosenFile.empty()) {
        if (const std::optional<std::string> bytes = fs.readFile(chosenFile))
            return splitLines(*bytes);
    }
    return builtInCatalogueLines();
}

} // namespace

void Session::buildCatalogue() {
    catalogue = catalogueLines(fs, catalogueSourceFile);
    applicationTitle = catalogueApplicationTitle(catalogue);
    view.setApplicationTitle(applicationTitle);
    const Tree tree = buildCatalogueTree(catalogue);
    view.setTocTree(tree);

    // The data folder may have gone since start-up; failing to make it is not an error here.
    std::string folder = loc.dataFolder;
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (!folder.empty() && !fs.folderExists(folder)) {
        try {
            fs.createFolder(folder);
        } catch (const UserError&) {
        }
    }

    // A failed write stops the build here: the tree stands, nothing is expanded or selected.
    if (!fs.fileExists(loc.bookmarkFile))
        fs.writeFile(loc.bookmarkFile, joinLinesCrLf(bookmarkSeedLines(catalogue)));

    if (const auto author = authorSectionLine(catalogue); author && *author < tree.size()) {
        view.expandTocNode(static_cast<int>(*author));
        view.selectTocNode(static_cast<int>(*author));
    }
    if (!tree.empty()) {
        view.expandTocNode(0);
        view.selectTocNode(0);
    }
}

void Session::OpenTOCItemClick() {
    const std::optional<std::string> chosen = view.chooseOpenFile(
        "Table of Contents|*.toc;*.cdb", "toc", "Open Torvane(tm) Book", openDialogFileName);
    if (!chosen || chosen->empty()) return;
    const std::string& path = *chosen;
    openDialogFileName = path;

    loc.catalogueExtension = toLowerAscii(path).find(".cdb") != std::string::npos ? ".cdb" : ".toc";
    controls.setVisible(Control::BMMenu, true);
    const ProgramLocation program = deriveProgramLocation(path, PathStyle::Posix);
    loc.programBaseName = program.baseName;
    loc.programFolder = program.folder;
    deriveCollectionPaths();

    // The index tree of the old collection is gone.
    indexNodes.clear();
    view.indexTreeChanged();
    controls.setVisible(Control::IndexPanel, false);
    controls.setVisible(Control::InxTreeView, true);

    applySettings();

    view.setTocTree({});
    catalogue.clear();
    catalogueSourceFile = path;
    buildCatalogue();
    view.showPage(Page::TOCTabSheet);
}

void Session::TOCTreeViewExpanded() {
    skipNextClick = true;
}
void Session::TOCTreeViewCollapsed() {
    skipNextClick = true;
}

} // namespace qm

// Building the contents tree, opening another collection's catalogue, and the tree's
// expanded and collapsed handlers.
#include "core/base/Error.h"
#include "core/base/Paths.h"
#include "core/catalogue/Catalogue.h"
#include "core/shell/Session.h"

namespace qm {

namespace {

// The lines of the chosen catalogue file when it can be read, else the built-in catalogue. A
// file too large to be a catalogue is reported, and the built-in catalogue stands in for it.
Lines catalogueLines(const FileSystem& fs, ViewPort& view, const std::string& chosenFile) {
    if (!chosenFile.empty()) {
        try {
            if (const std::optional<std::string> bytes = fs.readFile(chosenFile, kCatalogueFileCap))
                return splitLines(*bytes);
        } catch (const FileTooLarge& e) {
            view.showMessage(e.what());
        }
    }
    return builtInCatalogueLines();
}

} // namespace

void Session::buildCatalogue() {
    m_catalogue = catalogueLines(m_fs, m_view, m_catalogueSourceFile);
    m_applicationTitle = catalogueApplicationTitle(m_catalogue);
    m_view.setApplicationTitle(m_applicationTitle);
    const Tree tree = buildCatalogueTree(m_catalogue);
    m_view.setTocTree(tree);

    // The data folder may have gone since start-up; failing to make it is not an error here.
    std::string folder = m_loc.dataFolder;
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (!folder.empty() && !m_fs.folderExists(folder)) {
        try {
            m_fs.createFolder(folder);
        } catch (const UserError&) {
        }
    }

    // A failed write stops the build here: the tree stands, nothing is expanded or selected.
    if (!m_fs.fileExists(m_loc.bookmarkFile))
        m_fs.writeFile(m_loc.bookmarkFile, joinLinesCrLf(bookmarkSeedLines(m_catalogue)));

    if (const auto author = authorSectionLine(m_catalogue); author && *author < tree.size()) {
        m_view.expandTocNode(static_cast<int>(*author));
        m_view.selectTocNode(static_cast<int>(*author));
    }
    if (!tree.empty()) {
        m_view.expandTocNode(0);
        m_view.selectTocNode(0);
    }
}

void Session::OpenTOCItemClick() {
    const std::optional<std::string> chosen = m_view.chooseOpenFile(
        "Table of Contents|*.toc;*.cdb", "toc", "Open Torvane(tm) Book", m_openDialogFileName);
    if (!chosen || chosen->empty()) return;
    openCatalogue(*chosen);
}

void Session::openCatalogue(const std::string& path) {
    m_openDialogFileName = path;
    // A book's collection names its book again when it opens it.
    m_bookKey.clear();
    m_bookSourcePath.clear();
    m_controls.setEnabled(Control::LayOutAgainItem, false);

    m_loc.catalogueExtension =
        toLowerAscii(path).find(".cdb") != std::string::npos ? ".cdb" : ".toc";
    m_controls.setVisible(Control::BMMenu, true);
    const ProgramLocation program = deriveProgramLocation(path, PathStyle::Posix);
    m_loc.programBaseName = program.baseName;
    m_loc.programFolder = program.folder;
    deriveCollectionPaths();

    // The index tree of the old collection is gone.
    m_indexNodes.clear();
    m_view.indexTreeChanged();
    m_controls.setVisible(Control::IndexPanel, false);
    m_controls.setVisible(Control::InxTreeView, true);

    applySettings();

    m_view.setTocTree({});
    m_catalogue.clear();
    m_catalogueSourceFile = path;
    buildCatalogue();
    m_view.showPage(Page::TOCTabSheet);
}

void Session::TOCTreeViewExpanded() {
    m_skipNextClick = true;
}
void Session::TOCTreeViewCollapsed() {
    m_skipNextClick = true;
}

} // namespace qm

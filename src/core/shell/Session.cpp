#include "core/shell/Session.h"

#include "core/base/Error.h"
#include "core/base/Paths.h"
#include "core/cascade/GrammarParser.h"
#include "core/index/IndexTree.h"
#include "core/shell/DataFolder.h"
#include "core/speech/ReadAloud.h"

namespace qm {

namespace {

// The lines appended to the display-line list at the first activation.
const char* const kWelcomeLines[] = {
    " ",
    "Select a Book",
    "       from the Table of Contents",
    "     by clicking on the title.",
    " ",
    "If the Book is large",
    "    and has several sections,",
    "       there will be",
    "           a small box",
    "         with a",
    "     \"+\"",
    "        in the box.",
    " ",
    "Click on the",
    "     \"+\"",
    "        to see the sections",
    "           of the Book.",
    " ",
    "p000",
};

} // namespace

Session::Session(ViewPort& viewPort, FileSystem& fileSystem, Platform& plat)
    : m_view(viewPort)
    , m_fs(fileSystem)
    , m_platform(plat)
    , m_controls(viewPort) {}

bool Session::run(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (...) {
        // Running out of memory, or any other failure, stops the handler as a UserError does.
        m_view.showMessage(currentExceptionMessage());
        return false;
    }
}

void Session::FormCreate(const std::string& exePath, const std::string& dataFolder,
                         const std::string& argument) {
    m_displayLines.clear();
    m_haveDisplayList = true;
    m_lastFollowedEntry = " ";
    // PreparePictures: the reading page starts silver until the first drawing.
    if (m_surface) {
        m_surface->setBrushColor(0xC0C0C0);
        m_surface->fillRect(0, 0, m_surface->width(), m_surface->height());
        m_view.pageDrawn();
    }
    m_currentTextPath.clear();
    const ProgramLocation prog = deriveProgramLocation(exePath, PathStyle::Posix);
    m_loc.programFolder = prog.folder;
    m_loc.programBaseName = prog.baseName;
    m_exeFolderForPrograms = prog.folder;
    m_loc.helpFile = m_loc.programFolder + "tv_br.hlp";
    m_parser =
        std::make_shared<cascade::ModelParser>(m_fs, cascade::modelPathIn(m_loc.programFolder));
    m_controls.setVisible(Control::PrintColButton, m_fs.fileExists(m_loc.programFolder + "prtcol"));
    m_controls.setEnabled(Control::LayOutAgainItem, false);

    m_loc.dataFolder = dataFolder;
    if (!m_loc.dataFolder.empty() && m_loc.dataFolder.back() != '/') m_loc.dataFolder += '/';
    makeDataFolder(m_fs, m_loc.dataFolder);

    // The books opened last, for File > Recent Books: one small file, read once.
    m_recentBooks = library::readRecentBooks(m_fs, m_loc.dataFolder);
    showRecentBooks();

    m_loc.catalogueExtension = ".toc";
    deriveCollectionPaths();
    applySettings();
    if (!argument.empty()) {
        m_openDialogFileName = argument;
        openText(argument, " ");
    }
    buildCatalogue();
}

void Session::deriveCollectionPaths() {
    m_loc.settingsFile = m_loc.dataFolder + m_loc.programBaseName + ".ini";
    m_loc.bookmarkFile = m_loc.dataFolder + m_loc.programBaseName + ".bm";
    removeStrayTemporaries(m_fs, m_loc.settingsFile);
    removeStrayTemporaries(m_fs, m_loc.bookmarkFile);
    m_loc.catalogueFile = m_loc.programFolder + m_loc.programBaseName + m_loc.catalogueExtension;
    m_loc.collectionIndexFile = m_loc.programFolder + m_loc.programBaseName + ".tvx";
    if (m_fs.fileExists(m_loc.collectionIndexFile)) {
        m_view.setTabVisible(Page::IndexTabSheet, true);
    } else {
        m_loc.collectionIndexFile.clear();
        m_view.setTabVisible(Page::IndexTabSheet, false);
    }
    m_indexFile = m_loc.collectionIndexFile;
    if (!m_fs.fileExists(m_loc.settingsFile))
        m_fs.writeFile(m_loc.settingsFile, joinLinesCrLf(defaultSettingsLines()));
}

void Session::FormActivate() {
    if (m_activated) return;
    m_activated = true;
    FormResize(m_clientWidth, m_clientHeight);
    m_controls.setVisible(Control::ExitButton, true);
    m_view.setLines(Control::IndexMemo, indexInstructionLines());
    m_view.showPage(Page::ControlsTabSheet);
    for (const char* line : kWelcomeLines)
        m_displayLines.push_back(line);
    drawPage(0);
}

void Session::FormClose() {
    // Nothing keeps talking once the window is closing.
    stopReadingAloud();
    // A failed settings write is reported, and closing goes on to the closing mark so that
    // the reading position is not lost as well.
    run([this] { saveSettings(); });
    writeClosingMark();
}

WindowLayout Session::computeLayout(int width, int height, bool panelShown, Rect okButton) {
    WindowLayout l;
    l.pageControl1.height = height;
    l.pageControl2.height = height;
    if (panelShown) {
        l.pageControl1.width = width - 200;
        l.pageControl2.width = 200;
        l.pageControl2.left = width - 200;
    } else {
        l.pageControl1.width = width;
        l.pageControl2.width = 0;
        l.pageControl2.left = width;
    }
    const int w = l.pageControl1.width;
    l.programIcon = {0, 0, w / 2, w / 2};
    l.okButton = okButton;
    l.bookTitleLabel = {(w - 265) / 2, l.programIcon.height + okButton.height + 57, 265, 13};
    l.memo1 = {l.programIcon.width, 0, l.programIcon.width, l.programIcon.width};
    l.okButton.top = l.memo1.height + 8;
    l.okButton.left = l.memo1.left - okButton.width / 2;
    return l;
}

void Session::FormResize(int width, int height) {
    m_clientWidth = width;
    m_clientHeight = height;
    m_layout = computeLayout(width, height, m_controls.visible(Control::HideControlPanelItem),
                             m_okButtonSize);
    m_view.applyLayout(m_layout);
    m_nextTopLine = m_topLine;
    m_nextTopLine = drawPage(m_topLine);
}

void Session::ReadTabSheetResize() {
    redrawPage();
}

void Session::HideControlPanelItemClick() {
    m_controls.setVisible(Control::HideControlPanelItem, false);
    m_controls.setVisible(Control::ShowControlPanelItem, true);
    FormResize(m_clientWidth, m_clientHeight);
}

void Session::ShowControlPanelItemClick() {
    m_controls.setVisible(Control::HideControlPanelItem, true);
    m_controls.setVisible(Control::ShowControlPanelItem, false);
    FormResize(m_clientWidth, m_clientHeight);
}

void Session::ReadTabSheetEnter() {
    m_view.showPage(Page::ControlsTabSheet);
}
void Session::ControlsTabSheetEnter() {
    m_view.showPage(Page::ReadTabSheet);
}
void Session::OKButtonClick() {
    m_view.showPage(Page::TOCTabSheet);
}
void Session::ExitButtonClick() {
    m_view.closeWindow();
}
void Session::ExitItemClick() {
    m_view.closeWindow();
}

void Session::setClientSize(int width, int height) {
    m_clientWidth = width;
    m_clientHeight = height;
}

void Session::setControlChecked(Control control, bool checked) {
    m_controls.setChecked(control, checked);
}

void Session::setControlPosition(Control control, int position) {
    m_controls.setPosition(control, position);
}

} // namespace qm

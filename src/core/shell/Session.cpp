#include "core/shell/Session.h"

#include "core/base/Error.h"
#include "core/base/Paths.h"

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

// The Index page's instructions, the source of IndexMemo's text.
const char* const kMemo2Lines[] = {
    "Click \"Load Index\" to load", "and setup the index, this",
    "may take a short while.",      "",
    "After the index is loaded",    "click on the \"+\"'s to select",
    "the word, and to see the ",    "index entries.  Clicking on ",
    "an index entry will go to",    "that line in the book.",
};

} // namespace

Session::Session(ViewPort& viewPort, FileSystem& fileSystem, Platform& plat)
    : view(viewPort)
    , fs(fileSystem)
    , platform(plat)
    , controls(viewPort) {}

bool Session::run(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const UserError& e) {
        view.showMessage(e.what());
        return false;
    }
}

void Session::FormCreate(const std::string& exePath, const std::string& dataFolder,
                         const std::string& argument) {
    displayLines.clear();
    haveDisplayList = true;
    lastFollowedEntry = " ";
    // PreparePictures: the reading page starts silver until the first drawing.
    if (surface_) {
        surface_->setBrushColor(0xC0C0C0);
        surface_->fillRect(0, 0, surface_->width(), surface_->height());
        view.pageDrawn();
    }
    currentTextPath.clear();
    const ProgramLocation prog = deriveProgramLocation(exePath, PathStyle::Posix);
    loc.programFolder = prog.folder;
    loc.programBaseName = prog.baseName;
    exeFolderForPrograms = prog.folder;
    loc.helpFile = loc.programFolder + "tv_br.hlp";
    controls.setVisible(Control::PrintColButton, fs.fileExists(loc.programFolder + "prtcol"));

    loc.dataFolder = dataFolder;
    if (!loc.dataFolder.empty() && loc.dataFolder.back() != '/') loc.dataFolder += '/';
    std::string folder = loc.dataFolder;
    if (folder.size() > 1) folder.pop_back();
    if (!fs.folderExists(folder)) fs.createFolder(folder);

    loc.catalogueExtension = ".toc";
    deriveCollectionPaths();
    applySettings();
    if (!argument.empty()) {
        openDialogFileName = argument;
        openText(argument, " ");
    }
    buildCatalogue();
}

void Session::deriveCollectionPaths() {
    loc.settingsFile = loc.dataFolder + loc.programBaseName + ".ini";
    loc.bookmarkFile = loc.dataFolder + loc.programBaseName + ".bm";
    removeStrayTemporaries(fs, loc.settingsFile);
    removeStrayTemporaries(fs, loc.bookmarkFile);
    loc.catalogueFile = loc.programFolder + loc.programBaseName + loc.catalogueExtension;
    loc.collectionIndexFile = loc.programFolder + loc.programBaseName + ".tvx";
    if (fs.fileExists(loc.collectionIndexFile)) {
        view.setTabVisible(Page::IndexTabSheet, true);
    } else {
        loc.collectionIndexFile.clear();
        view.setTabVisible(Page::IndexTabSheet, false);
    }
    indexFile = loc.collectionIndexFile;
    if (!fs.fileExists(loc.settingsFile))
        fs.writeFile(loc.settingsFile, joinLinesCrLf(defaultSettingsLines()));
}

void Session::FormActivate() {
    if (activated) return;
    activated = true;
    FormResize(clientWidth, clientHeight);
    controls.setVisible(Control::ExitButton, true);
    view.setLines(Control::IndexMemo, Lines(std::begin(kMemo2Lines), std::end(kMemo2Lines)));
    view.showPage(Page::ControlsTabSheet);
    for (const char* line : kWelcomeLines)
        displayLines.emplace_back(line);
    drawPage(0);
}

void Session::FormClose() {
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
    clientWidth = width;
    clientHeight = height;
    layout =
        computeLayout(width, height, controls.visible(Control::HideControlPanelItem), okButtonSize);
    view.applyLayout(layout);
    nextTopLine = topLine;
    nextTopLine = drawPage(topLine);
}

void Session::ReadTabSheetResize() {
    redrawPage();
}

void Session::HideControlPanelItemClick() {
    controls.setVisible(Control::HideControlPanelItem, false);
    controls.setVisible(Control::ShowControlPanelItem, true);
    FormResize(clientWidth, clientHeight);
}

void Session::ShowControlPanelItemClick() {
    controls.setVisible(Control::HideControlPanelItem, true);
    controls.setVisible(Control::ShowControlPanelItem, false);
    FormResize(clientWidth, clientHeight);
}

void Session::ReadTabSheetEnter() {
    view.showPage(Page::ControlsTabSheet);
}
void Session::ControlsTabSheetEnter() {
    view.showPage(Page::ReadTabSheet);
}
void Session::OKButtonClick() {
    view.showPage(Page::TOCTabSheet);
}
void Session::ExitButtonClick() {
    view.closeWindow();
}
void Session::ExitItemClick() {
    view.closeWindow();
}

} // namespace qm

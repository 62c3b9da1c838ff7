#pragma once
// The session: all state the main window owns for the whole run, and every handler and
// sequence of the reader. The Qt window forwards each event to one method here and shows the
// result through the view port; the headless runner and the tests drive the same methods.
//
// Methods are grouped by subsystem; each group is implemented in its subsystem's folder
// (for instance the renderer's methods in core/view/SessionView.cpp).
//
// Failures: a method that fails throws UserError with the user's message and stops there;
// run() catches it and shows the message, as the window's general error report does.
#include "core/base/Text.h"
#include "core/port/FileSystem.h"
#include "core/port/Platform.h"
#include "core/port/Surface.h"
#include "core/port/ViewPort.h"
#include "core/shell/ControlBoard.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// Where the program and its files live, and the paths built from them.
struct Locations {
    std::string programFolder;   // ends with the path separator
    std::string programBaseName; // file name of the executable or catalogue, cut at its first "."
    std::string dataFolder;      // ends with the path separator
    std::string catalogueExtension = ".toc";

    std::string settingsFile;
    std::string bookmarkFile;
    std::string catalogueFile;
    std::string collectionIndexFile; // empty when no such file exists
    std::string helpFile;
};

// One node of the word index tree: level 0 is the root "Index", 1 a letter, 2 a word, 3 a
// reference; parent is an index into the same list, or -1.
struct IndexNode {
    std::string text;
    int level = 0;
    int parent = -1;
};

class Session {
public:
    Session(ViewPort& view, FileSystem& fs, Platform& platform);

    // Runs a handler as the window's event loop does: a UserError stops it and its message is
    // shown. Returns false when the handler failed.
    bool run(const std::function<void()>& handler);

    void setSurface(Surface* surface) { surface_ = surface; }
    Surface* surface() const { return surface_; }

    // ---- Start-up, paths, layout and shutdown (core/shell/Session.cpp) ----
    // exePath: the executable's full path; dataFolder: the per-user data folder (with its
    // final separator); argument: the first command-line argument (may be empty).
    void FormCreate(const std::string& exePath, const std::string& dataFolder,
                    const std::string& argument);
    void FormActivate();
    void FormClose();
    void deriveCollectionPaths();
    // Lays the window out for a client area of this size and redraws the page.
    void FormResize(int clientWidth, int clientHeight);
    void HideControlPanelItemClick();
    void ShowControlPanelItemClick();
    void ReadTabSheetResize();
    void ReadTabSheetEnter();
    void ControlsTabSheetEnter();
    void OKButtonClick();
    void ExitButtonClick();
    void ExitItemClick();
    static WindowLayout computeLayout(int clientWidth, int clientHeight, bool panelShown,
                                      Rect okButton);

    // ---- Page renderer, colours, paging and font size (core/view/) ----
    int drawPage(int top);
    void redrawPage();
    void ShowNextPage();
    void ShowPreviousPage();
    void NextButtonClick();
    void PrevButtonClick();
    // Key preview; returns true when the key-down is consumed (always).
    bool FormKeyDown(int virtualKey);
    void FontSizeTrackBarChange(int position);
    void FontSizeUpDownClick(int position);
    void BGColorRadioGroupClick(int item);
    void TwoColorCheckBoxClick(bool checked);
    void SingleShadeBgCheckBoxClick(bool checked);
    void TwoColCheckBoxClick(bool checked);

    // ---- Opening texts and the contents-tree click (core/text/SessionText.cpp) ----
    void openText(const std::string& path, const std::string& referencePoint);
    // selected: absolute index of the selected node, if any.
    void TOCTreeViewClick(std::optional<int> selected);
    void TOCTreeViewDblClick(std::optional<int> selected);
    void OpenTVTItemClick();

    // ---- Catalogue and contents tree (core/catalogue/SessionCatalogue.cpp) ----
    void buildCatalogue();
    void OpenTOCItemClick();
    void TOCTreeViewExpanded();
    void TOCTreeViewCollapsed();

    // ---- Settings (core/settings/SessionSettings.cpp) ----
    Lines defaultSettingsLines() const;
    void applySettings();
    void saveSettings();
    void ResetToStartupDefaultsButtonClick();

    // ---- Bookmarks (core/bookmarks/SessionBookmarks.cpp) ----
    void locateSection();
    struct Entry {
        int topLine;
        std::string name;
    };
    std::optional<Entry> newestEntry();
    void writeClosingMark();
    void BMMenuClick();
    void BMAddItemClick();
    void BMDeleteItemClick();
    void BMGOItemClick();
    void BMDeletePopupHandler(int item);
    void BMGotoPopupHandler(int item);

    // ---- Find (core/find/SessionFind.cpp) ----
    void FindItemClick();
    void FindDialog1Find(const std::string& findText, bool down, bool matchCase);

    // ---- Word index (core/index/SessionIndex.cpp) ----
    void IndexLoadButtonClick();
    // node: index into indexNodes of the selected node, if any.
    void InxTreeViewClick(std::optional<int> node);
    void resetToPanel();

    // ---- Output (core/output/SessionOutput.cpp) ----
    void SaveScreenItemClick();
    void PrintColButtonClick();
    void HempMenuClick();

    // ================= State owned for the whole run =================
    ViewPort& view;
    FileSystem& fs;
    Platform& platform;
    ControlBoard controls;
    Locations loc;
    std::string exeFolderForPrograms; // folder of the executable, for companion programs

    // Book text
    Lines displayLines;
    bool haveDisplayList = false;
    Lines embeddedBook;
    std::string currentTextPath;
    std::string textKey;
    std::string entryKey;
    std::string referencePoint = "00000";
    std::string captionTitle;
    std::string indexFile;
    std::string openDialogFileName;
    std::string caption = "Quillmar";

    // Reading view
    int topLine = 0;
    int nextTopLine = 0;
    bool pageTurned = false;
    // colours[shade][slot], slots 1..9 (index 0 unused); all black until a scheme is applied.
    std::array<std::array<Color, 10>, 2> colours{};
    int currentShade = 0;
    std::string pageImageName;
    bool findDialogShowing = false;

    // Catalogue
    Lines catalogue;
    bool skipNextClick = false;
    std::string applicationTitle;
    // The catalogue file chosen last; its lines replace the built-in ones while it can be read.
    std::string catalogueSourceFile;

    // Bookmarks
    Lines bookmarkList;
    int headerIndex = 0;
    int sectionEnd = 0;
    std::string lastBookmarkName = " "; // the bookmark name dialog keeps its text

    // Word index
    std::vector<IndexNode> indexNodes;
    std::string lastFollowedEntry = " ";

    // Window
    bool activated = false;
    bool creationFailed = false;
    WindowLayout layout;
    int clientWidth = 713;
    int clientHeight = 457;
    Rect okButtonSize{0, 0, 75, 25};

private:
    Surface* surface_ = nullptr;
};

} // namespace qm

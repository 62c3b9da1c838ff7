#pragma once
// The view port: everything the core asks of the window. The Qt window implements it; the
// headless runner answers every question with No; tests use fakes built on NullViewPort
// (core/testing), which answers every call silently.
#include "core/base/Text.h"
#include "core/base/Tree.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// The window's controls that the core changes, by their object names.
enum class Control {
    PrevButton,
    NextButton,
    ExitButton,
    PosLabel,
    BookPosProgressBar,
    FontSizeLabel,
    FontSizeTrackBar,
    FontSizeUpDown,
    BGColorRadioGroup,
    SingleShadeBgCheckBox,
    TwoColorCheckBox,
    TwoColCheckBox,
    DictCheckBox,
    PrintColButton,
    LoadingPrintColLabel,
    BMMenu,
    BMDeleteItem,
    BMGOItem,
    HideControlPanelItem,
    ShowControlPanelItem,
    IndexPanel,
    IndexMemo,
    IndexLoadButton,
    LoadingIndexLabel,
    InxTreeView,
    SearchingIndexLabel,
    LayOutAgainItem,
    Count
};

// Pages of the two page controls.
enum class Page {
    TOCTabSheet,
    ReadTabSheet,
    AboutTabSheet,
    ControlsTabSheet,
    OptionsTabSheet,
    IndexTabSheet
};

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Rect&) const = default;
};

// Geometry of the window's main parts, computed from the client size on every resize.
struct WindowLayout {
    Rect pageControl1, pageControl2;
    Rect programIcon, bookTitleLabel, memo1, okButton;
    bool operator==(const WindowLayout&) const = default;
};

// The reading voice as the Voice dialog shows it and gives it back.
struct VoiceChoice {
    std::string voice; // a name the speech service knows; empty for the service's own
    int pitch = 0;     // -100 to 100
    int volume = 100;  // -100 to 100
    bool operator==(const VoiceChoice&) const = default;
};

class ViewPort {
public:
    virtual ~ViewPort() = default;

    virtual void setCaption(const std::string&) = 0;
    virtual void setApplicationTitle(const std::string&) = 0;
    virtual void showMessage(const std::string&) = 0;
    virtual bool askYesNo(const std::string& caption, const std::string& text) = 0;

    // Control state; the core keeps its own copy (ControlBoard) and mirrors it here.
    virtual void setEnabled(Control, bool) = 0;
    virtual void setVisible(Control, bool) = 0;
    virtual void setText(Control, const std::string&) = 0;
    virtual void setChecked(Control, bool) = 0;
    virtual void setPosition(Control, int) = 0;
    virtual void setProgress(int maximum, int position) = 0;
    virtual void setLines(Control, const Lines&) = 0;
    // Paints the control at once, before the operation goes on (a long step follows).
    virtual void repaintNow(Control) = 0;

    // Pages.
    virtual void showPage(Page) = 0;
    virtual void setTabVisible(Page, bool) = 0;

    // The reading page's surface was drawn; show it.
    virtual void pageDrawn() = 0;
    // The page was drawn again and only these parts of it changed (the line read aloud moved):
    // its text is the same, and showing those parts again is enough.
    virtual void pagePartsDrawn(const std::vector<Rect>& /*parts*/) { pageDrawn(); }

    // Places the window's parts.
    virtual void applyLayout(const WindowLayout&) = 0;

    // Main window geometry, outer frame in screen pixels.
    virtual void setWindowBounds(const Rect&) = 0;
    virtual Rect windowBounds() const = 0;
    virtual void closeWindow() = 0;

    // Contents tree.
    virtual void setTocTree(const Tree&) = 0;
    virtual void expandTocNode(int absoluteIndex) = 0;
    virtual void selectTocNode(int absoluteIndex) = 0;
    virtual void setTocFontSize(int) = 0;

    // File > Recent Books: the titles of the books opened last, newest first (none: the menu
    // is disabled). Choosing item i runs Session::RecentBookItemClick(i).
    virtual void setRecentBooks(const std::vector<std::string>& titles) = 0;

    // Index tree: the window shows the core's node list.
    virtual void indexTreeChanged() = 0;
    virtual void selectIndexNode(int absoluteIndex) = 0;

    // Dialogs. An empty result means cancelled.
    virtual std::optional<std::string> chooseOpenFile(const std::string& filter,
                                                      const std::string& defaultExtension,
                                                      const std::string& title,
                                                      const std::string& fileName) = 0;
    virtual std::optional<std::string> chooseSaveFile(const std::string& defaultExtension) = 0;
    // The export dialog, starting at `suggestedPath`: the file (its extension names the
    // format), the page size of a PDF and whether an EPUB's paragraphs keep their shades.
    struct ExportChoice {
        std::string path;
        std::string pageSize = "a4"; // "a4", "letter", "a5" or "ereader"
        bool shades = false;
    };
    virtual std::optional<ExportChoice> chooseExportFile(const std::string& suggestedPath) = 0;
    // Shows the bookmark name dialog modally; returns its edit text when it closes.
    virtual std::string askBookmarkName() = 0;
    // Shows the bookmark popup at the screen position; returns the chosen item, if any.
    virtual std::optional<int> popupBookmarks(const std::vector<std::string>& captions, int x,
                                              int y) = 0;
    virtual void showFindDialog(int x, int y) = 0;
    virtual void closeFindDialog() = 0;
    // Shows the Voice dialog; voices() lists the service's voices (it may take seconds, and may
    // be called on another thread). Nothing when cancelled.
    virtual std::optional<VoiceChoice>
    chooseVoice(std::function<std::vector<std::string>()> voices, const VoiceChoice& current) = 0;
};

} // namespace qm

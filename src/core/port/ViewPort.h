#pragma once
// The view port: everything the core asks of the window. The Qt window implements it; tests
// use a recording fake; the headless runner answers every question with No. Every method has
// a harmless default so a fake overrides only what it watches.
#include "core/base/Text.h"

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

// A tree as a flat list in display order (parents before children); parent is the index of
// the parent node in the same list, or -1 for a top-level node.
struct TreeNode {
    std::string text;
    int parent = -1;
};
using Tree = std::vector<TreeNode>;

class ViewPort {
public:
    virtual ~ViewPort() = default;

    virtual void setCaption(const std::string&) {}
    virtual void setApplicationTitle(const std::string&) {}
    virtual void showMessage(const std::string&) {}
    virtual bool askYesNo(const std::string& /*caption*/, const std::string& /*text*/) {
        return false;
    }

    // Control state; the core keeps its own copy (ControlBoard) and mirrors it here.
    virtual void setEnabled(Control, bool) {}
    virtual void setVisible(Control, bool) {}
    virtual void setText(Control, const std::string&) {}
    virtual void setChecked(Control, bool) {}
    virtual void setPosition(Control, int) {}
    virtual void setProgress(int /*maximum*/, int /*position*/) {}
    virtual void setLines(Control, const Lines&) {}
    // Paints the control at once, before the operation goes on (a long step follows).
    virtual void repaintNow(Control) {}

    // Pages.
    virtual void showPage(Page) {}
    virtual void setTabVisible(Page, bool) {}

    // The reading page's surface was drawn; show it.
    virtual void pageDrawn() {}

    // Places the window's parts.
    virtual void applyLayout(const WindowLayout&) {}

    // Main window geometry, outer frame in screen pixels.
    virtual void setWindowBounds(const Rect&) {}
    virtual Rect windowBounds() const { return {}; }
    virtual void closeWindow() {}

    // Contents tree.
    virtual void setTocTree(const Tree&) {}
    virtual void expandTocNode(int /*absoluteIndex*/) {}
    virtual void selectTocNode(int /*absoluteIndex*/) {}
    virtual void setTocFontSize(int) {}

    // Index tree: the window shows the core's node list.
    virtual void indexTreeChanged() {}
    virtual void selectIndexNode(int /*absoluteIndex*/) {}

    // Dialogs. An empty result means cancelled.
    virtual std::optional<std::string> chooseOpenFile(const std::string& /*filter*/,
                                                      const std::string& /*defaultExtension*/,
                                                      const std::string& /*title*/,
                                                      const std::string& /*fileName*/) {
        return std::nullopt;
    }
    virtual std::optional<std::string> chooseSaveFile(const std::string& /*defaultExtension*/) {
        return std::nullopt;
    }
    // Shows the bookmark name dialog modally; returns its edit text when it closes.
    virtual std::string askBookmarkName() { return " "; }
    // Shows the bookmark popup at the screen position; returns the chosen item, if any.
    virtual std::optional<int> popupBookmarks(const std::vector<std::string>& /*captions*/,
                                              int /*x*/, int /*y*/) {
        return std::nullopt;
    }
    virtual void showFindDialog(int /*x*/, int /*y*/) {}
    virtual void closeFindDialog() {}
};

} // namespace qm

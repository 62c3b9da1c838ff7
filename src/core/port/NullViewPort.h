#pragma once
// A view port that answers every call silently: no window, every question answered No, every
// dialog cancelled, the bookmark name dialog closed with its initial blank. The headless runner
// and the tests' fakes derive from it and override only what they answer or watch.
#include "core/port/ViewPort.h"

namespace qm {

class NullViewPort : public ViewPort {
public:
    void setCaption(const std::string&) override {}
    void setApplicationTitle(const std::string&) override {}
    void showMessage(const std::string&) override {}
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void setEnabled(Control, bool) override {}
    void setVisible(Control, bool) override {}
    void setText(Control, const std::string&) override {}
    void setChecked(Control, bool) override {}
    void setPosition(Control, int) override {}
    void setProgress(int, int) override {}
    void setLines(Control, const Lines&) override {}
    void repaintNow(Control) override {}
    void showPage(Page) override {}
    void setTabVisible(Page, bool) override {}
    void pageDrawn() override {}
    void applyLayout(const WindowLayout&) override {}
    void setWindowBounds(const Rect&) override {}
    Rect windowBounds() const override { return {}; }
    void closeWindow() override {}
    void setTocTree(const Tree&) override {}
    void expandTocNode(int) override {}
    void selectTocNode(int) override {}
    void setTocFontSize(int) override {}
    void setRecentBooks(const std::vector<std::string>&) override {}
    void indexTreeChanged() override {}
    void selectIndexNode(int) override {}
    std::optional<std::string> chooseOpenFile(const std::string&, const std::string&,
                                              const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseSaveFile(const std::string&) override { return std::nullopt; }
    std::optional<ExportChoice> chooseExportFile(const std::string&) override {
        return std::nullopt;
    }
    std::string askBookmarkName() override { return " "; }
    std::optional<int> popupBookmarks(const std::vector<std::string>&, int, int) override {
        return std::nullopt;
    }
    void showFindDialog(int, int) override {}
    void closeFindDialog() override {}
    std::optional<VoiceChoice> chooseVoice(std::function<std::vector<std::string>()>,
                                           const VoiceChoice&) override {
        return std::nullopt;
    }
};

} // namespace qm

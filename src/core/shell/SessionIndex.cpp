// The Index tab: loading the word index into its tree and following a reference.
#include "core/index/IndexTree.h"
#include "core/shell/Session.h"
#include "core/view/Paging.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace qm {

namespace {

// Puts the busy label and the button back however the operation ends, so a failure never
// leaves the tab looking busy.
template <class F> class AtExit {
public:
    explicit AtExit(F f)
        : m_f(std::move(f)) {}
    ~AtExit() { m_f(); }
    AtExit(const AtExit&) = delete;
    AtExit& operator=(const AtExit&) = delete;

private:
    F m_f;
};

bool beginsWithDigit(const std::string& s) {
    return !s.empty() && s[0] >= '0' && s[0] <= '9';
}

} // namespace

void Session::IndexLoadButtonClick() {
    if (indexFile.empty() || !fs.fileExists(indexFile)) return;
    controls.setVisible(Control::LoadingIndexLabel, true);
    controls.setEnabled(Control::IndexLoadButton, false);
    view.repaintNow(Control::LoadingIndexLabel);
    {
        AtExit done([this] {
            controls.setVisible(Control::LoadingIndexLabel, false);
            controls.setEnabled(Control::IndexLoadButton, true);
        });
        const std::optional<std::string> bytes = fs.readFile(indexFile);
        indexNodes = buildIndexTree(bytes ? std::string_view(*bytes) : std::string_view{});
    }
    controls.setVisible(Control::IndexPanel, false);
    controls.setVisible(Control::InxTreeView, true);
    view.indexTreeChanged();
    if (const auto first = firstSelectableIndexNode(indexNodes)) view.selectIndexNode(*first);
}

void Session::InxTreeViewClick(std::optional<int> node) {
    controls.setVisible(Control::SearchingIndexLabel, true);
    view.repaintNow(Control::SearchingIndexLabel);
    AtExit done([this] { controls.setVisible(Control::SearchingIndexLabel, false); });

    std::string text;
    if (node && *node >= 0 && static_cast<std::size_t>(*node) < indexNodes.size())
        text = trimBlanksAndControls(indexNodes[static_cast<std::size_t>(*node)].text);
    if (!beginsWithDigit(text) || text == lastFollowedEntry) return;
    lastFollowedEntry = text;
    const int line = toInteger(text);
    // Compared before subtracting: the conversion can yield the lowest integer.
    int top = line < 5 ? 0 : line - 5;
    // A reference at or past the end of the text would draw nothing and leave the old page
    // on screen, far from anything a page step could reach: the text's last page is shown,
    // the one a step back from beyond the end line would show.
    const int count = static_cast<int>(
        std::min<std::size_t>(displayLines.size(), std::numeric_limits<int>::max()));
    if (haveDisplayList && top >= count - 2) {
        int rows = 0;
        if (surface_) rows = surface_->height() / std::max(1, surface_->textHeight("X"));
        top = previousPageTop(displayLines, count - 1, rows);
    }
    nextTopLine = drawPage(top);
}

void Session::resetToPanel() {
    controls.setVisible(Control::IndexPanel, true);
    controls.setVisible(Control::InxTreeView, false);
    indexNodes.clear();
    view.indexTreeChanged();
}

} // namespace qm

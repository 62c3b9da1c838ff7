// Opening a text into the display-line list, the contents-tree click and "Open File".
#include "core/base/Paths.h"
#include "core/catalogue/Catalogue.h"
#include "core/library/BookFile.h"
#include "core/shell/Session.h"
#include "core/text/BuiltInTexts.h"
#include "core/text/LineFormat.h"
#include "core/text/OpenedText.h"
#include "core/view/PageRenderer.h"

#include <utility>

namespace qm {

namespace {

constexpr const char* kResumeQuestion =
    "Do you want to start reading where you last closed the file?";

// Locate section before the resume offer. A bookmark file too large to be one is reported,
// and the text opens without an offer.
bool locateSectionToResume(Session& session, ViewPort& view) {
    try {
        session.locateSection();
        return true;
    } catch (const FileTooLarge& e) {
        view.showMessage(e.what());
        return false;
    }
}

} // namespace

void Session::openText(const std::string& path, const std::string& referencePointName) {
    if (path != m_currentTextPath) {
        m_currentTextPath = path;
        m_textKey = textKeyOf(path);
        m_displayLines.refill([&](LineBuffer& lines) {
            readDisplayLines(m_fs, path, conversionPassFor(m_loc.catalogueExtension),
                             m_parser.get(), m_embeddedBook, lines);
        });
    }

    int top = 0;
    const bool atClosingMark = std::exchange(m_resumeAtClosingMark, false);
    if (!isNoReferencePoint(referencePointName)) {
        top = referencePointTop(displayLines(), referencePointName);
    } else if (locateSectionToResume(*this, m_view)) {
        if (atClosingMark) {
            if (const std::optional<Entry> mark = newestClosingMark()) top = mark->topLine;
        } else if (const std::optional<Entry> entry = newestEntry()) {
            if (m_view.askYesNo(kResumeQuestion, entry->name)) top = entry->topLine;
        }
    }
    // The page keeps the text's font: the one its tags above the top line leave in force, as
    // reading it from the start would, not what the page drawn before left on the surface.
    if (m_surface) {
        if (const std::optional<TagFont> font = fontBefore(displayLines(), top)) {
            m_surface->setFontStyle(font->style);
            m_surface->setFontName(font->name);
        }
    }
    m_nextTopLine = drawPage(top);
}

// The click and the double click share these steps; only the click is swallowed after a
// node was expanded or collapsed.
void Session::openFromContentsTree(std::optional<int> selected) {
    m_referencePoint = kNoReferencePoint;
    rebuildEmbeddedBook(m_embeddedBook);
    // The start-up page counts as the open greeting page, so choosing the root entry first
    // only positions it.
    if (m_currentTextPath.empty()) m_currentTextPath = m_loc.programFolder + "none.tvt";
    if (m_pageTurned) writeClosingMark();
    m_pageTurned = false;

    if (selected) {
        const int i = *selected;
        if (i >= 0 && static_cast<std::size_t>(i) < m_catalogue.size()) {
            const auto index = static_cast<std::size_t>(i);
            m_entryKey = entryKeyOfLine(m_catalogue[index]);
            m_captionTitle = titleOfLine(m_catalogue[captionLineFor(m_catalogue, index)]);
            m_caption = "Quillmar -- " + m_captionTitle;
        } else {
            m_entryKey.clear();
            m_captionTitle = " ";
            m_caption = "Quillmar";
        }
        m_view.setCaption(m_caption);
    }

    if (m_entryKey.empty()) {
        m_view.showMessage("Not here yet");
        return;
    }
    if (const auto at = m_entryKey.find('@'); at != std::string::npos) {
        m_referencePoint = m_entryKey.substr(at + 1);
        m_entryKey.resize(at);
    }
    const std::string path = m_loc.programFolder + m_entryKey + ".tvt";
    m_openDialogFileName = path;

    m_indexFile = m_loc.programFolder + m_entryKey + ".tvx";
    const bool haveIndex = m_fs.fileExists(m_indexFile);
    if (!haveIndex) m_indexFile.clear();
    m_view.setTabVisible(Page::IndexTabSheet, haveIndex);

    if (path != m_currentTextPath) resetToPanel();
    const int before = m_topLine;
    openText(path, m_referencePoint);
    // A chapter chosen is a jump; the book's own line opens it as any text opens.
    if (!isNoReferencePoint(m_referencePoint)) noteJump(before);
    m_view.showPage(Page::ReadTabSheet);
}

void Session::TOCTreeViewClick(std::optional<int> selected) {
    if (m_skipNextClick) {
        m_skipNextClick = false;
        return;
    }
    openFromContentsTree(selected);
}

void Session::TOCTreeViewDblClick(std::optional<int> selected) {
    m_skipNextClick = false;
    openFromContentsTree(selected);
}

void Session::OpenTVTItemClick() {
    // Book files are offered too, first with the stored texts: they go through the library
    // and open as a collection, as does a prose file whose name does not say what it is.
    const std::optional<std::string> chosen = m_view.chooseOpenFile(
        "Books and texts|*.epub;*.htm;*.html;*.txt;*.tvt|Torvane(tm) File|*.tvt|"
        "Books|*.epub;*.htm;*.html;*.txt|All files|*",
        "tvt", "Open Torvane(tm) Document", m_openDialogFileName);
    if (!chosen || chosen->empty()) return;
    m_openDialogFileName = *chosen;
    if (library::opensAsBook(m_fs, *chosen)) {
        if (m_bookOpener)
            m_bookOpener(*chosen);
        else
            openBook(*chosen);
        return;
    }
    m_view.showPage(Page::ReadTabSheet);
    m_controls.setVisible(Control::BMMenu, false);
    openText(*chosen, " ");
}

} // namespace qm

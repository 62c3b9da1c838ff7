// The bookmark menus, the closing mark and the newest-entry lookup.
//
// Every change to the bookmark file is a read-modify-write under the file's lock: the file is
// read again under the lock, the change is made to what is on disk now, and the whole list is
// written back safely. So two running copies of the reader never lose each other's entries,
// and a failed write leaves both the file and the list in memory as they were.
//
// When the file has vanished since it was loaded, a change rebuilds it from the list last
// loaded (the lines the user was shown), so no line known to the reader is lost and the new
// entry still lands directly below its text's header.
#include "core/base/Error.h"
#include "core/bookmarks/BookmarkList.h"
#include "core/shell/Session.h"

#include <algorithm>

namespace qm {
namespace {

using namespace bookmarks;

// The file's lock, unless there is no file path to lock beside.
std::unique_ptr<FileLock> lockBookmarkFile(FileSystem& fs, const std::string& path) {
    return path.empty() ? nullptr : fs.lock(path);
}

// A closing mark's name begins so; the date and time follow.
const std::string kClosedBookAt = "Closed book at ";

// Line ends inside a name would split the entry into two lines of the file.
std::string oneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

} // namespace

std::string Session::bookmarkHeader() const {
    return "<<" + m_textKey;
}

// The lines of the bookmark file as they are on disk now (call under the lock). When the
// file is gone, the list last loaded stands in for it. A file that exists but cannot be read
// is never overwritten.
Lines Session::currentBookmarkLines() const {
    const std::string& path = m_loc.bookmarkFile;
    if (const auto bytes = m_fs.readBeforeReplacing(path, kBookmarkFileCap))
        return splitLines(*bytes);
    return m_bookmarks.lines();
}

void Session::writeBookmarkLines(const Lines& list) {
    m_fs.writeFile(m_loc.bookmarkFile, joinLinesCrLf(list));
}

void Session::setBookmarkMenuState(bool anyListed) {
    m_controls.setEnabled(Control::BMDeleteItem, anyListed);
    m_controls.setEnabled(Control::BMGOItem, anyListed);
}

// Inserts the entry directly below the current text's header, as the file is now. Returns
// whether the section listed any line before the insert.
bool Session::insertBookmarkEntry(const std::string& entry) {
    const auto lock = lockBookmarkFile(m_fs, m_loc.bookmarkFile);
    Lines list = currentBookmarkLines();
    const int header = prepareSection(list, bookmarkHeader());
    BookmarkSection updated;
    updated.adopt(std::move(list), header);
    const bool anyListed = updated.anyListed();
    updated.insert(entry);
    writeBookmarkLines(updated.lines());
    m_bookmarks = std::move(updated);
    return anyListed;
}

// Index in the bookmark list of the listed line behind popup item `item`.
int Session::listedBookmarkLine(int item) const {
    if (const std::optional<int> index = m_bookmarks.listedLine(item)) return *index;
    throw UserError(
        listIndexOutOfBoundsMessage(static_cast<long long>(m_bookmarks.headerIndex()) + 1 + item));
}

// Shows the section's entries as a popup menu beside the control panel; the item chosen.
std::optional<int> Session::popupBookmarkMenu() {
    const std::vector<std::string> captions = m_bookmarks.captions();
    const Rect window = m_view.windowBounds();
    const std::optional<int> chosen =
        m_view.popupBookmarks(captions, window.left + m_layout.pageControl2.left - 100, window.top);
    if (chosen && *chosen >= 0 && static_cast<std::size_t>(*chosen) < captions.size())
        return chosen;
    return std::nullopt;
}

void Session::locateSection() {
    const std::string& path = m_loc.bookmarkFile;
    if (!m_fs.fileExists(path)) return;
    const auto lock = lockBookmarkFile(m_fs, path);
    const auto bytes = m_fs.readFile(path, kBookmarkFileCap);
    if (!bytes) return;
    const std::string header = bookmarkHeader();
    Lines list = splitLines(*bytes);
    const int headerIndex = findHeader(list, header);
    m_bookmarks.adopt(std::move(list), headerIndex);
    const Lines& loaded = m_bookmarks.lines();
    if (headerIndex == lineCount(loaded) - 1 && loaded.back() != header) {
        // The list keeps matching the file if the fix-up cannot be written.
        Lines fixedUp = loaded;
        fixUpSection(fixedUp, header);
        writeBookmarkLines(fixedUp);
        const int fixedHeader = findHeader(fixedUp, header);
        m_bookmarks.adopt(std::move(fixedUp), fixedHeader);
    }
    setBookmarkMenuState(m_bookmarks.anyListed());
}

std::optional<Session::Entry> Session::newestEntry() const {
    const std::optional<std::string> line = m_bookmarks.newestLine();
    if (!line) return std::nullopt;
    return Entry{toInteger(topLineText(*line)), std::string(nameOf(*line))};
}

bool Session::isLibraryText() const {
    return !m_bookKey.empty() && m_textKey == m_bookKey;
}

void Session::noteJump(int topBefore) {
    if (isLibraryText() && m_topLine != topBefore) m_pageTurned = true;
}

std::optional<Session::Entry> Session::newestClosingMark() const {
    for (int item = 0;; ++item) {
        const std::optional<int> index = m_bookmarks.listedLine(item);
        if (!index) return std::nullopt;
        const std::string& line = m_bookmarks.lines()[static_cast<std::size_t>(*index)];
        if (nameOf(line).starts_with(kClosedBookAt))
            return Entry{toInteger(topLineText(line)), std::string(nameOf(line))};
    }
}

void Session::writeClosingMark() {
    if (!m_pageTurned) return;
    // Other texts keep their mark only when the list was loaded since the last one; a library
    // book keeps its place whenever the reader moved in it, if its bookmark file is there.
    if (m_bookmarks.empty() && !(isLibraryText() && m_fs.fileExists(m_loc.bookmarkFile))) return;
    m_pageTurned = false;
    const std::string entry = "#" + std::to_string(m_topLine) + " " +
                              oneLine(kClosedBookAt + m_platform.localDateTimeText());
    // Finding the section, its fix-up and the new entry reach the file in one write.
    const bool fileWasThere = m_fs.fileExists(m_loc.bookmarkFile);
    const bool anyListed = insertBookmarkEntry(entry);
    if (fileWasThere) setBookmarkMenuState(anyListed);
    m_bookmarks.clear();
}

void Session::BMMenuClick() {
    locateSection();
}

void Session::BMAddItemClick() {
    const std::string name = m_view.askBookmarkName();
    if (name.empty()) {
        m_view.showMessage("No BookMark Added");
        return;
    }
    m_pageTurned = false;
    insertBookmarkEntry("#" + std::to_string(m_topLine) + " " + oneLine(name));
}

void Session::BMDeleteItemClick() {
    if (const std::optional<int> chosen = popupBookmarkMenu()) BMDeletePopupHandler(*chosen);
}

void Session::BMGOItemClick() {
    if (const std::optional<int> chosen = popupBookmarkMenu()) BMGotoPopupHandler(*chosen);
}

void Session::BMDeletePopupHandler(int item) {
    const int chosenIndex = listedBookmarkLine(item);
    const std::string chosen = m_bookmarks.lines()[static_cast<std::size_t>(chosenIndex)];
    const long long rank = m_bookmarks.rankOf(chosenIndex);

    const auto lock = lockBookmarkFile(m_fs, m_loc.bookmarkFile);
    const bool fileThere = m_fs.fileExists(m_loc.bookmarkFile);
    Lines list = currentBookmarkLines();
    int header = m_bookmarks.headerIndex();
    int target = chosenIndex;
    if (fileThere) {
        header = findHeader(list, bookmarkHeader());
        target = findLineAgain(list, header, chosen, rank);
        if (target < 0) {
            // Already gone from the file: nothing to delete.
            m_bookmarks.adopt(std::move(list), header);
            return;
        }
    }
    BookmarkSection updated;
    updated.adopt(std::move(list), header);
    updated.remove(target);
    writeBookmarkLines(updated.lines());
    m_bookmarks = std::move(updated);
}

void Session::BMGotoPopupHandler(int item) {
    const int index = listedBookmarkLine(item);
    const int top = toInteger(topLineText(m_bookmarks.lines()[static_cast<std::size_t>(index)]));
    const int before = m_topLine;
    m_nextTopLine = drawPage(top);
    noteJump(before);
}

} // namespace qm

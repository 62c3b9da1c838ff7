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

std::size_t at(int index) {
    return static_cast<std::size_t>(index);
}

// The file's lock, unless there is no file path to lock beside.
class BookmarkLock {
public:
    explicit BookmarkLock(const std::string& path) {
        if (!path.empty()) m_lock.emplace(path);
    }

private:
    std::optional<FileLock> m_lock;
};

// Line ends inside a name would split the entry into two lines of the file.
std::string oneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

std::string headerFor(const Session& s) {
    return "<<" + s.textKey;
}

// The lines of the bookmark file as they are on disk now (call under the lock). When the
// file is gone, the list last loaded stands in for it. A file that exists but cannot be read
// is never overwritten.
Lines currentLines(const Session& s) {
    const std::string& path = s.loc.bookmarkFile;
    if (const auto bytes = s.fs.readFile(path)) return splitLines(*bytes);
    if (s.fs.fileExists(path)) throw UserError(unableToWriteMessage(path));
    return s.bookmarkList;
}

void writeLines(Session& s, const Lines& list) {
    s.fs.writeFile(s.loc.bookmarkFile, joinLinesCrLf(list));
}

void adopt(Session& s, Lines list, int header) {
    s.bookmarkList = std::move(list);
    s.headerIndex = header;
    s.sectionEnd = listedEnd(s.bookmarkList, header);
}

void setMenuState(Session& s, bool anyListed) {
    s.controls.setEnabled(Control::BMDeleteItem, anyListed);
    s.controls.setEnabled(Control::BMGOItem, anyListed);
}

// Inserts the entry directly below the current text's header, as the file is now. Returns
// whether the section listed any line before the insert.
bool insertEntry(Session& s, const std::string& entry) {
    BookmarkLock lock(s.loc.bookmarkFile);
    Lines list = currentLines(s);
    const int header = prepareSection(list, headerFor(s));
    const bool anyListed = header + 1 < listedEnd(list, header);
    list.insert(list.begin() + header + 1, entry);
    writeLines(s, list);
    adopt(s, std::move(list), header);
    return anyListed;
}

// Index in the bookmark list of the listed line behind popup item `item`.
int listedLine(const Session& s, int item) {
    const long long index = static_cast<long long>(s.headerIndex) + 1 + item;
    const long long limit =
        std::min<long long>(s.sectionEnd, static_cast<long long>(s.bookmarkList.size()));
    if (item < 0 || index >= limit) throw UserError(listIndexOutOfBoundsMessage(index));
    return static_cast<int>(index);
}

std::vector<std::string> popupCaptions(const Session& s) {
    std::vector<std::string> captions;
    const int end = std::min(s.sectionEnd, static_cast<int>(s.bookmarkList.size()));
    for (int i = s.headerIndex + 1; i < end; ++i)
        captions.emplace_back(nameOf(s.bookmarkList[at(i)]));
    return captions;
}

} // namespace

void Session::locateSection() {
    const std::string& path = loc.bookmarkFile;
    if (!fs.fileExists(path)) return;
    BookmarkLock lock(path);
    const auto bytes = fs.readFile(path);
    if (!bytes) return;
    const std::string header = headerFor(*this);
    bookmarkList = splitLines(*bytes);
    headerIndex = findHeader(bookmarkList, header);
    sectionEnd = listedEnd(bookmarkList, headerIndex);
    if (headerIndex == static_cast<int>(bookmarkList.size()) - 1 && bookmarkList.back() != header) {
        // The list keeps matching the file if the fix-up cannot be written.
        Lines fixedUp = bookmarkList;
        fixUpSection(fixedUp, header);
        writeLines(*this, fixedUp);
        const int fixedHeader = findHeader(fixedUp, header);
        adopt(*this, std::move(fixedUp), fixedHeader);
    }
    setMenuState(*this, headerIndex + 1 < sectionEnd);
}

std::optional<Session::Entry> Session::newestEntry() {
    const long long count = static_cast<long long>(bookmarkList.size());
    if (headerIndex < 0 || headerIndex >= count - 1 || headerIndex + 1 >= sectionEnd)
        return std::nullopt;
    const std::string& line = bookmarkList[at(headerIndex + 1)];
    return Entry{toInteger(topLineText(line)), std::string(nameOf(line))};
}

void Session::writeClosingMark() {
    if (bookmarkList.empty() || !pageTurned) return;
    pageTurned = false;
    const std::string entry = "#" + std::to_string(topLine) + " " +
                              oneLine("Closed book at " + platform.localDateTimeText());
    // Finding the section, its fix-up and the new entry reach the file in one write.
    const bool fileWasThere = fs.fileExists(loc.bookmarkFile);
    const bool anyListed = insertEntry(*this, entry);
    if (fileWasThere) setMenuState(*this, anyListed);
    bookmarkList.clear();
}

void Session::BMMenuClick() {
    locateSection();
}

void Session::BMAddItemClick() {
    const std::string name = view.askBookmarkName();
    lastBookmarkName = name;
    if (name.empty()) {
        view.showMessage("No BookMark Added");
        return;
    }
    pageTurned = false;
    insertEntry(*this, "#" + std::to_string(topLine) + " " + oneLine(name));
}

void Session::BMDeleteItemClick() {
    const auto captions = popupCaptions(*this);
    const Rect window = view.windowBounds();
    const auto chosen =
        view.popupBookmarks(captions, window.left + layout.pageControl2.left - 100, window.top);
    if (chosen && *chosen >= 0 && at(*chosen) < captions.size()) BMDeletePopupHandler(*chosen);
}

void Session::BMGOItemClick() {
    const auto captions = popupCaptions(*this);
    const Rect window = view.windowBounds();
    const auto chosen =
        view.popupBookmarks(captions, window.left + layout.pageControl2.left - 100, window.top);
    if (chosen && *chosen >= 0 && at(*chosen) < captions.size()) BMGotoPopupHandler(*chosen);
}

void Session::BMDeletePopupHandler(int item) {
    const int chosenIndex = listedLine(*this, item);
    const std::string chosen = bookmarkList[at(chosenIndex)];
    // Which of the section's lines with this text was chosen, counted from the header.
    const auto first = bookmarkList.begin() + headerIndex + 1;
    const auto rank = std::count(first, bookmarkList.begin() + chosenIndex, chosen);

    BookmarkLock lock(loc.bookmarkFile);
    const bool fileThere = fs.fileExists(loc.bookmarkFile);
    Lines list = currentLines(*this);
    int header = headerIndex;
    int target = chosenIndex;
    if (fileThere) {
        // Find the chosen line again in the file as it is now: another copy of the reader
        // may have added or removed lines since the list was shown.
        header = findHeader(list, headerFor(*this));
        const int end = bookmarks::sectionEnd(list, header);
        target = -1;
        long long seen = 0;
        for (int i = header + 1; i < end && i < static_cast<int>(list.size()); ++i) {
            if (list[at(i)] != chosen) continue;
            target = i;
            if (seen++ == rank) break;
        }
        if (target < 0) {
            // Already gone from the file: nothing to delete.
            adopt(*this, std::move(list), header);
            return;
        }
    }
    list.erase(list.begin() + target);
    writeLines(*this, list);
    adopt(*this, std::move(list), header);
}

void Session::BMGotoPopupHandler(int item) {
    const int index = listedLine(*this, item);
    const int top = toInteger(topLineText(bookmarkList[at(index)]));
    nextTopLine = drawPage(top);
}

} // namespace qm

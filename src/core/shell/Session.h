#pragma once
// The session: all state the main window owns for the whole run, and every handler and
// sequence of the reader. The Qt window forwards each event to one method here and shows the
// result through the view port; the headless runner and the tests drive the same methods.
//
// The session only sequences: the rules it calls are plain functions and small classes in the
// rules folders. Its methods are grouped by subsystem, each group implemented in its own slice
// (shell/SessionView.cpp for the reading view, shell/SessionBookmarks.cpp for the bookmark
// menus, ...). Its state is private: the window and the headless runner read it through the
// accessors and change it only through methods; tests, benchmarks and fuzz targets may also set
// it directly through SessionTestAccess (testing/).
//
// Failures: a method that fails throws UserError with the user's message and stops there;
// run() catches it, or any other exception (running out of memory, say), and shows the
// message, as the window's general error report does; the reader goes on.
#include "core/base/LineBuffer.h"
#include "core/base/Text.h"
#include "core/base/Tree.h"
#include "core/bookmarks/BookmarkSection.h"
#include "core/export/Export.h"
#include "core/library/Library.h"
#include "core/library/RecentBooks.h"
#include "core/port/FileSystem.h"
#include "core/port/Platform.h"
#include "core/port/Surface.h"
#include "core/port/ViewPort.h"
#include "core/shell/ControlBoard.h"
#include "core/shell/DisplayLines.h"
#include "core/shell/Locations.h"
#include "core/text/LineSpan.h"
#include "core/speech/SpeechSettings.h"
#include "core/view/ColourSchemes.h"
#include "core/view/PageRenderer.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace qm {

namespace cascade {
class SentenceParser;
}
class IniDocument;
namespace speech {
class ReadAloud;
class ReadingHost;
class SpeechEngine;
} // namespace speech


class Session {
public:
    Session(ViewPort& view, FileSystem& fs, Platform& platform);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Runs a handler as the window's event loop does: a UserError (or any exception) stops it
    // and its message is shown. Returns false when the handler failed.
    bool run(const std::function<void()>& handler);

    void setSurface(Surface* surface) {
        m_surface = surface;
        m_prepared.reset();
    }
    Surface* surface() const { return m_surface; }
    // A second surface of the same kind and size as the page's, on which the page the next
    // PageDown shows is drawn ahead while the reader pauses (see prepareNextPage).
    void setSpareSurface(Surface* spare) {
        m_spare = spare;
        m_prepared.reset();
    }

    // ---- Start-up, paths, layout and shutdown (Session.cpp) ----
    // exePath: the executable's full path; dataFolder: the per-user data folder (with its
    // final separator); argument: the first command-line argument (may be empty).
    void FormCreate(const std::string& exePath, const std::string& dataFolder,
                    const std::string& argument);
    void FormActivate();
    void FormClose();
    void deriveCollectionPaths();
    // Lays the window out for a client area of this size and redraws the page.
    void FormResize(int clientWidth, int clientHeight);
    // The client size the first activation lays the window out for.
    void setClientSize(int clientWidth, int clientHeight);
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

    // ---- Page renderer, colours, paging and font size (SessionView.cpp) ----
    int drawPage(int top);
    void redrawPage();
    void ShowNextPage();
    void ShowPreviousPage();
    void NextButtonClick();
    void PrevButtonClick();
    // The key codes FormKeyDown acts on.
    static constexpr int kPageUpKey = 33;
    static constexpr int kPageDownKey = 34;
    // Key preview; returns true when the key-down is consumed (always).
    bool FormKeyDown(int virtualKey);
    void FontSizeTrackBarChange(int position);
    void FontSizeUpDownClick(int position);
    void BGColorRadioGroupClick(int item);
    void TwoColorCheckBoxClick(bool checked);
    void SingleShadeBgCheckBoxClick(bool checked);
    void TwoColCheckBoxClick(bool checked);
    // Draws the page the next PageDown shows on the spare surface, from the same lines, font,
    // colours, shade and drawing state, so that the turn only exchanges the two surfaces' pages
    // and applies the drawing's outcome. A turn finding anything changed since draws as usual.
    // Returns false when nothing was drawn (no page to turn to, or drawn already).
    bool prepareNextPage();
    bool nextPagePrepared() const { return m_prepared.has_value(); }

    // ---- Opening texts and the contents-tree click (SessionText.cpp) ----
    void openText(const std::string& path, const std::string& referencePoint);
    // selected: absolute index of the selected node, if any.
    void TOCTreeViewClick(std::optional<int> selected);
    void TOCTreeViewDblClick(std::optional<int> selected);
    void OpenTVTItemClick();

    // ---- Catalogue and contents tree (SessionCatalogue.cpp) ----
    void buildCatalogue();
    void OpenTOCItemClick();
    void TOCTreeViewExpanded();
    void TOCTreeViewCollapsed();

    // ---- Book files opened through the library (SessionBook.cpp) ----
    // Opens a book file (".epub", ".htm", ".html", ".txt") as Open File does for one: through
    // the book opener when one is set (the window's, which reads the book on a worker thread
    // and calls openLibraryBook when it is done), else here and now with openBook.
    void setBookOpener(std::function<void(const std::string& path)> opener) {
        m_bookOpener = std::move(opener);
    }
    // Finds or adds the book in the library and shows it, in one step.
    void openBook(const std::string& path);
    // Shows a book the library has made or found: opens its catalogue as Open Table of
    // Contents does, then opens the book at its own line as a click on it does. sourcePath is
    // the file it was opened from, where the next open dialog starts.
    void openLibraryBook(const library::Book& book, const std::string& sourcePath);
    // "Lay out again": lays the open collection's book out again from the file it was opened
    // from (through the book re-layer when one is set, like the book opener, else here and
    // now), moving its bookmarks to the same words. Enabled while the book is outdated.
    void LayOutAgainItemClick();
    void
    setBookRelayer(std::function<void(const std::string& key, const std::string& path)> relayer) {
        m_bookRelayer = std::move(relayer);
    }
    // Shows the book as laid out again and names the bookmarks that could not be moved.
    void showRelaidBook(const library::Relaid& relaid, const std::string& sourcePath);
    // File > Recent Books, item `item`: opens that library book where it was left, at its
    // newest closing mark without asking (the reader chose it to read on); a book no longer
    // stored is opened anew from its file, or leaves the list when that is gone too.
    void RecentBookItemClick(int item);
    const std::vector<library::RecentBook>& recentBooks() const { return m_recentBooks; }

    // ---- Export (SessionExport.cpp) ----
    // "Export...": asks for the file (its extension names the format, EPUB or PDF), the PDF's
    // page size and the EPUB's paragraph shades, asks before replacing a file, and writes the
    // text showing through the exporter when one is set (the window's works on a worker with
    // a progress dialog), else here and now.
    void ExportItemClick();
    // Exports the text showing without a dialog (the headless --export); an existing file is
    // replaced only when `replace`.
    void exportText(const exporting::ExportRequest& request, bool replace);
    // What an export writes: the text showing as stored, with its title, author and chapters.
    exporting::ExportBook exportedBook() const;
    void setExporter(
        std::function<void(exporting::ExportBook, exporting::ExportRequest)> exporter) {
        m_exporter = std::move(exporter);
    }
    // Makes the page documents a PDF is drawn into (the window's, over Qt's PDF writer).
    void setPageDocumentMaker(exporting::PageDocumentMaker maker) {
        m_pageDocumentMaker = std::move(maker);
    }

    // ---- Settings (SessionSettings.cpp) ----
    Lines defaultSettingsLines() const;
    void applySettings();
    void saveSettings();
    void ResetToStartupDefaultsButtonClick();

    // ---- Bookmarks (SessionBookmarks.cpp) ----
    void locateSection();
    struct Entry {
        int topLine;
        std::string name;
    };
    std::optional<Entry> newestEntry() const;
    // The newest closing mark the section lists, if any.
    std::optional<Entry> newestClosingMark() const;
    void writeClosingMark();
    void BMMenuClick();
    void BMAddItemClick();
    void BMDeleteItemClick();
    void BMGOItemClick();
    void BMDeletePopupHandler(int item);
    void BMGotoPopupHandler(int item);

    // ---- Find (SessionFind.cpp) ----
    void FindItemClick();
    void FindDialog1Find(const std::string& findText, bool down, bool matchCase);
    void FindDialog1Close();

    // ---- Word index (SessionIndex.cpp) ----
    void IndexLoadButtonClick();
    // node: index into indexNodes() of the selected node, if any.
    void InxTreeViewClick(std::optional<int> node);
    void resetToPanel();

    // ---- Reading aloud (SessionSpeech.cpp) ----
    // The speech engine the text is read aloud through (the window's, or a test's fake), set
    // before the first Read Aloud command; it must outlive the session or be set to nullptr.
    void setSpeechEngine(speech::SpeechEngine* engine);
    // Start/Pause: reads from the first line of the page; pauses; reads on.
    void ReadAloudStartItemClick();
    void ReadAloudStopItemClick();
    void ReadAloudFasterItemClick();
    void ReadAloudSlowerItemClick();
    void ReadAloudVoiceItemClick();
    // A click on the reading page at (x, y): while reading, the voice moves to the line drawn
    // there. A double click reads from that line in any case.
    void ReadingPageClick(int x, int y);
    void ReadingPageDblClick(int x, int y);
    // The display line drawn at (x, y) on the page, or -1.
    int lineAt(int x, int y) const;
    bool readingAloud() const;
    // Stops the voice and lets the speech service go (closing).
    void stopReadingAloud();
    int litLine() const { return m_litLine; }
    const speech::SpeechSettings& speechSettings() const { return m_speechSettings; }
    // What reading aloud did, as it happened: the voice's mark of a line arrived (before
    // anything is drawn for it), a line lit, a page turned by the voice (its top line), reading
    // stopped.
    struct SpeechNote {
        enum class Kind { Reached, Lit, Turned, Stopped } kind;
        int line = -1;
    };
    void setSpeechListener(std::function<void(const SpeechNote&)> listener) {
        m_speechListener = std::move(listener);
    }

    // ---- Output (SessionOutput.cpp) ----
    void SaveScreenItemClick();
    void PrintColButtonClick();
    void HempMenuClick();

    // ---- The window's controls: a user's change to a control, before its handler runs ----
    void setControlChecked(Control control, bool checked);
    void setControlPosition(Control control, int position);

    // ================= State, read =================
    ViewPort& view() const { return m_view; }
    FileSystem& fileSystem() const { return m_fs; }
    const Platform& platform() const { return m_platform; }
    const ControlBoard& controls() const { return m_controls; }
    const Locations& locations() const { return m_loc; }

    const LineBuffer& displayLines() const { return m_displayLines.lines(); }
    bool haveDisplayList() const { return m_haveDisplayList; }
    const std::string& currentTextPath() const { return m_currentTextPath; }
    const std::string& textKey() const { return m_textKey; }
    const std::string& entryKey() const { return m_entryKey; }
    const std::string& referencePoint() const { return m_referencePoint; }
    const std::string& captionTitle() const { return m_captionTitle; }
    const std::string& caption() const { return m_caption; }
    const std::string& indexFile() const { return m_indexFile; }
    const std::string& openDialogFileName() const { return m_openDialogFileName; }
    const Lines& embeddedBook() const { return m_embeddedBook; }
    // The sentence parser every cascade of this run uses: the grammar model in the program
    // folder, read through the file system when a cascade first needs it (see ModelParser).
    // Set by FormCreate; shared with the window's worker, which may outlive the session.
    const std::shared_ptr<cascade::SentenceParser>& parser() const { return m_parser; }

    int topLine() const { return m_topLine; }
    int nextTopLine() const { return m_nextTopLine; }
    bool pageTurned() const { return m_pageTurned; }
    const ColourTable& colours() const { return m_colours; }
    int currentShade() const { return m_currentShade; }
    const std::string& pageImageName() const { return m_pageImageName; }
    // The characters lit on the page (the words a find step found), until the page changes.
    const LineSpans& litSpans() const;
    bool findDialogShowing() const { return m_findDialogShowing; }

    const Lines& catalogue() const { return m_catalogue; }
    const std::string& applicationTitle() const { return m_applicationTitle; }
    const std::string& catalogueSourceFile() const { return m_catalogueSourceFile; }
    bool skipNextClick() const { return m_skipNextClick; }

    const bookmarks::BookmarkSection& bookmarks() const { return m_bookmarks; }

    const std::vector<IndexNode>& indexNodes() const { return m_indexNodes; }
    const std::string& lastFollowedEntry() const { return m_lastFollowedEntry; }

    const WindowLayout& layout() const { return m_layout; }

private:
    // The tests, benchmarks and fuzz targets set the state directly through it (testing/).
    friend class SessionTestAccess;

    // What a page is drawn from: the lines (by their version) and everything else the drawing
    // reads. (Without a list nothing is drawn, and a change of either surface drops the page
    // drawn ahead.)
    struct PageInputs {
        unsigned long long linesVersion = 0;
        int top = 0;
        int fontSize = 0;
        bool twoColumns = false;
        ColourTable colours{};
        std::string programFolder;
        std::string pictureFolder;
        int shade = 0;
        int width = 0, height = 0;
        Surface::DrawingState state;
        LineSpans lit;
        bool operator==(const PageInputs&) const = default;
    };
    // Characters lit on the page drawn from `top` of the lines of this version; any other
    // page drops them.
    struct LitPage {
        int top = 0;
        unsigned long long linesVersion = 0;
        LineSpans spans;
    };
    // A page drawn ahead on the spare surface, and what its drawing gave.
    struct PreparedPage {
        PageInputs inputs;
        int next = 0;
        std::string imageName;
        // Whether the picture file was there when the page was drawn (unset when not asked):
        // a file that appears or goes before the key makes the page drawn ahead stale.
        std::optional<bool> imageShown;
        int shadeAfter = 0;
        int litLine = -1;
        std::vector<PageRow> rows;
    };
    PageInputs pageInputs(int top) const;
    // Whether a page drawn ahead is what drawing the page at top would draw now.
    bool stillHolds(const PreparedPage& page, int top) const;
    PageRequest pageRequest(int top) const;
    int showPage(int top, bool mayUsePrepared);
    std::span<const LineSpan> litOn(int top) const;
    void showHit(int top, int hitLine, const LineSpans& found);
    // A jump to another page (a chapter, a find hit, an index entry, a bookmark) in a library
    // book counts as reading for the closing mark.
    bool isLibraryText() const;
    // Where the pictures of the text showing are: a library book's layout folder, else empty.
    std::string pictureFolder() const;
    void noteJump(int topBefore);
    int drawPageAt(int top, bool mayUsePrepared);

    // Reading aloud (SessionSpeech.cpp).
    class SpeechHost;
    // Whether the page drawn ahead shows the band the lit line would give it.
    static bool sameBand(const PreparedPage& page, int litLine);
    // The page's rows (at the page's full width) that show either line.
    static std::vector<Rect> bandRows(const std::vector<PageRow>& rows, std::array<int, 2> lines,
                                      int width);
    // Whether drawing the page at top moves the reading voice (a move of the reader's own);
    // a closed text stops it.
    bool speechFollowsMove(int top);
    void moveSpeechTo(int top);
    void lightLine(int line);
    void repaintPage(int oldLit, int newLit);
    void applySpeechSettings(const IniDocument& ini);
    void note(SpeechNote::Kind kind, int line);
    void changeSpeechSettings(const speech::SpeechSettings& settings);
    void saveSpeechSettings();
    bool speechReady();

    void openFromContentsTree(std::optional<int> selected);
    void openCatalogue(const std::string& path);
    void closeBookSection(const std::string& key);
    void startExport(const exporting::ExportRequest& request);
    void noteRecentBook(const library::Book& book, const std::string& sourcePath);
    void showRecentBooks();
    std::string bookmarkHeader() const;
    Lines currentBookmarkLines() const;
    void writeBookmarkLines(const Lines& list);
    void setBookmarkMenuState(bool anyListed);
    bool insertBookmarkEntry(const std::string& entry);
    int listedBookmarkLine(int item) const;
    std::optional<int> popupBookmarkMenu();
    std::string companionFolder() const;

    ViewPort& m_view;
    FileSystem& m_fs;
    Platform& m_platform;
    ControlBoard m_controls;
    Locations m_loc;
    std::string m_exeFolderForPrograms; // folder of the executable, for companion programs
    Surface* m_surface = nullptr;
    Surface* m_spare = nullptr;
    std::optional<PreparedPage> m_prepared;

    // Book text
    DisplayLines m_displayLines;
    bool m_haveDisplayList = false;
    Lines m_embeddedBook;
    std::shared_ptr<cascade::SentenceParser> m_parser;
    std::string m_currentTextPath;
    std::string m_textKey;
    std::string m_entryKey;
    std::string m_referencePoint = "00000";
    std::string m_captionTitle;
    std::string m_indexFile;
    std::string m_openDialogFileName;
    std::string m_caption = "Quillmar";
    std::function<void(const std::string&)> m_bookOpener;
    std::function<void(const std::string&, const std::string&)> m_bookRelayer;
    // The library book of the open collection (empty for other collections), the file it was
    // opened from, and the outdated books whose new layout the user declined in this run.
    std::string m_bookKey;
    std::string m_bookSourcePath;
    std::set<std::string> m_relayDeclined;
    std::function<void(exporting::ExportBook, exporting::ExportRequest)> m_exporter;
    exporting::PageDocumentMaker m_pageDocumentMaker;
    // The books opened last, as File > Recent Books lists them; while an open from that menu
    // runs, the text opens at its newest closing mark without the resume question.
    std::vector<library::RecentBook> m_recentBooks;
    bool m_resumeAtClosingMark = false;

    // Reading view
    int m_topLine = 0;
    int m_nextTopLine = 0;
    bool m_pageTurned = false;
    // colours[shade][slot], slots 1..9 (index 0 unused); all black until a scheme is applied.
    ColourTable m_colours{};
    int m_currentShade = 0;
    std::string m_pageImageName;
    std::optional<LitPage> m_lit;
    bool m_findDialogShowing = false;
    // Where each line of the page was drawn, and what the page's drawing began from (so the
    // same page is drawn again with another line lit).
    std::vector<PageRow> m_pageRows;
    int m_pageStartShade = 0;
    Surface::DrawingState m_pageStartState;

    // Reading aloud
    std::unique_ptr<speech::ReadingHost> m_speechHost;
    std::unique_ptr<speech::ReadAloud> m_readAloud;
    speech::SpeechSettings m_speechSettings;
    std::function<void(const SpeechNote&)> m_speechListener;
    int m_litLine = -1;
    bool m_speechTurning = false; // the voice itself turns the page
    unsigned long long m_readingLinesVersion = 0;

    // Catalogue
    Lines m_catalogue;
    bool m_skipNextClick = false;
    std::string m_applicationTitle;
    // The catalogue file chosen last; its lines replace the built-in ones while it can be read.
    std::string m_catalogueSourceFile;

    // Bookmarks: the list last loaded and the current text's section in it
    bookmarks::BookmarkSection m_bookmarks;

    // Word index
    std::vector<IndexNode> m_indexNodes;
    std::string m_lastFollowedEntry = " ";

    // Window
    bool m_activated = false;
    WindowLayout m_layout;
    int m_clientWidth = 713;
    int m_clientHeight = 457;
    Rect m_okButtonSize{0, 0, 75, 25};
};

} // namespace qm

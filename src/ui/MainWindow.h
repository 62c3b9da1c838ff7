#pragma once
// TForm1, the main window: the page controls, the control panel, the menus and the dialogs,
// with the controls' own names. Every event is forwarded to one handler of the session, run
// as the window's general error report does (a failure shows its message); the session asks
// for what it needs through the view port that the window implements.
#include "core/shell/Session.h"
#include "core/speech/SpeechEngine.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QKeyEvent;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
class QTextEdit;
class QTimer;
class QTreeWidgetItem;

namespace qm {

class BookOpening;
class FindDialog;
class IndexModel;
class IndexTree;
class PictureBox;
class QtSurface;
class ReadingPage;
class Sheet;
class TForm4;
class TocTree;
class UpDown;

// What the program was started with.
struct StartUp {
    std::string exePath;    // the executable's full path
    std::string dataFolder; // with its final separator
    std::string argument;   // the file named on the command line, or empty
};

// The controls of the Options page, with their design names.
struct OptionsControls {
    QGroupBox* BGColorRadioGroup;
    QButtonGroup* BGColorButtons;
    QCheckBox* SingleShadeBgCheckBox;
    QCheckBox* TwoColorCheckBox;
    QCheckBox* TwoColCheckBox;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QPushButton* PrintColButton;
    QLabel* LoadingPrintColLabel;
    QPushButton* ResetToStartupDefaultsButton;
    QCheckBox* DictCheckBox;
};

// The controls of the Index page, with their design names.
struct IndexControls {
    QLabel* FindingEntryLabel;
    QLabel* SearchingIndexLabel;
    IndexTree* InxTreeView;
    QWidget* IndexPanel;
    QLabel* LoadingIndexLabel;
    QPushButton* IndexLoadButton;
    QTextEdit* IndexMemo;
    QTextEdit* Memo2;
    IndexModel* model;
};

class TForm1 : public QMainWindow, public ViewPort {
    Q_OBJECT
public:
    TForm1(FileSystem& fs, Platform& platform, QWidget* parent = nullptr);
    ~TForm1() override;

    // The creation steps (FormCreate). The bookmark name dialog is made when first asked for. A
    // collection or book file named at start-up is no text: it is opened after the first
    // activation, as the catalogue command or Open File would open it.
    void create(const StartUp& startUp);
    // Opens a file named outside the open dialogs (dropped, or named at start-up) with the
    // command for its kind, the file answering that command's open dialog.
    void openFile(const std::string& path);
    Session& session() { return *m_session; }
    const QImage& pageImage() const;

    // Runs a handler as the event loop does: a failure shows its message.
    bool handle(const std::function<void()>& handler);

    // ---- ViewPort ----
    using QMainWindow::setEnabled;
    using QMainWindow::setVisible;
    void setCaption(const std::string& caption) override;
    void setApplicationTitle(const std::string& title) override;
    void showMessage(const std::string& message) override;
    bool askYesNo(const std::string& caption, const std::string& text) override;
    void setEnabled(Control c, bool on) override;
    void setVisible(Control c, bool on) override;
    void setText(Control c, const std::string& text) override;
    void setChecked(Control c, bool on) override;
    void setPosition(Control c, int position) override;
    void setProgress(int maximum, int position) override;
    void setLines(Control c, const Lines& lines) override;
    void repaintNow(Control c) override;
    void showPage(Page page) override;
    void setTabVisible(Page page, bool visible) override;
    void pageDrawn() override;
    void pagePartsDrawn(const std::vector<Rect>& parts) override;
    void applyLayout(const WindowLayout& layout) override;
    void setWindowBounds(const Rect& bounds) override;
    Rect windowBounds() const override;
    void closeWindow() override;
    void setTocTree(const Tree& tree) override;
    void expandTocNode(int absoluteIndex) override;
    void selectTocNode(int absoluteIndex) override;
    void setTocFontSize(int points) override;
    void setRecentBooks(const std::vector<std::string>& titles) override;
    void indexTreeChanged() override;
    void selectIndexNode(int absoluteIndex) override;
    std::optional<std::string> chooseOpenFile(const std::string& filter,
                                              const std::string& defaultExtension,
                                              const std::string& title,
                                              const std::string& fileName) override;
    std::optional<std::string> chooseSaveFile(const std::string& defaultExtension) override;
    std::optional<ExportChoice> chooseExportFile(const std::string& suggestedPath) override;
    std::string askBookmarkName() override;
    std::optional<int> popupBookmarks(const std::vector<std::string>& captions, int x,
                                      int y) override;
    void showFindDialog(int x, int y) override;
    void closeFindDialog() override;
    std::optional<VoiceChoice> chooseVoice(std::function<std::vector<std::string>()> voices,
                                           const VoiceChoice& current) override;

    // The engine Read Aloud speaks through: the desktop's speech service unless replaced (the
    // tests' fake). Replacing it stops any reading.
    void setSpeechEngine(std::unique_ptr<speech::SpeechEngine> engine);
    speech::SpeechEngine& speechEngine() { return *m_speech; }

    // The contents tree, made when its page first comes forward or when first asked for;
    // until then what the session sets on it is kept and set on it once it is made.
    TocTree* tocTree();
    bool tocTreeBuilt() const { return m_tocTree != nullptr; }
    // Absolute index of a contents-tree node (its place in a walk from top to bottom).
    int tocIndexOf(const QTreeWidgetItem* item) const;
    QTreeWidgetItem* tocItem(int absoluteIndex);
    // The text of the lines on the page, without tags, as Image1 describes it.
    QString pageText() const;

    // ---- Controls, with their design names ----
    QWidget* Client;
    QTabWidget* PageControl1;
    Sheet* TOCTabSheet;
    Sheet* ReadTabSheet;
    ReadingPage* Image1;
    Sheet* AboutTabSheet;
    PictureBox* ProgramIcon;
    QTextEdit* Memo1;
    QLabel* BookTitleLabel;
    QPushButton* OKButton;
    Sheet* LogoHoldingTabSheet;
    PictureBox* Image3;

    QTabWidget* PageControl2;
    Sheet* ControlsTabSheet;
    QLabel* ReadingPositionLabel;
    QProgressBar* BookPosProgressBar;
    QLabel* PosLabel;
    QLabel* FontSizeLabel;
    QSlider* FontSizeTrackBar;
    UpDown* FontSizeUpDown;
    QPushButton* PrevButton;
    QPushButton* NextButton;
    QPushButton* ExitButton;

    // The Options and Index pages: the pages themselves from the start, their controls made
    // when the page is first shown or first asked for (options(), indexPage()). Until then the
    // session's changes to those controls are kept and made, in order, once they exist.
    Sheet* OptionsTabSheet;
    Sheet* IndexTabSheet;
    OptionsControls& options();
    IndexControls& indexPage();
    bool optionsBuilt() const { return m_options != nullptr; }
    bool indexPageBuilt() const { return m_index != nullptr; }
    std::size_t changesKeptForLater() const {
        return m_optionsChanges.size() + m_indexChanges.size();
    }

    QMenu* FileMenu;
    QAction* OpenTVTItem;
    QAction* OpenTOCItem;
    QMenu* RecentBooksMenu;
    QAction* LayOutAgainItem;
    QAction* N1;
    QAction* SaveScreenItem;
    QAction* ExportItem;
    QAction* N3;
    QAction* ExitItem;
    QMenu* SearchMenu;
    QAction* FindItem;
    QMenu* BMMenu;
    QAction* BMAddItem;
    QAction* BMDeleteItem;
    QAction* N2;
    QAction* BMGOItem;
    QMenu* ViewMenu;
    QAction* HideControlPanelItem;
    QAction* ShowControlPanelItem;
    QMenu* HempMenu;
    QAction* AboutItem;
    QAction* HelpContentsItem;
    QMenu* ReadAloudMenu;
    QAction* ReadAloudStartItem;
    QAction* ReadAloudStopItem;
    QAction* ReadAloudFasterItem;
    QAction* ReadAloudSlowerItem;
    QAction* ReadAloudVoiceItem;
    QPushButton* ReadAloudButton;
    QMenu* BMPopupMenu;
    // Made when first shown: its line edit lays its text out in the dialog's own font (the
    // application's), a font the window's first frame does not need.
    FindDialog* FindDialog1 = nullptr;
    TForm4* Form4 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildPages();
    void buildControlPage();
    void buildOptionsPage();
    void buildIndexPage();
    void connectOptionsPage();
    void connectIndexPage();
    // Shows the controls just made on a page that is already shown.
    static void showMadeControls(QWidget* page);
    // What a kept change sets. A change replaces the kept change of the same kind to the same
    // control, so that what is kept stays bounded however long the page stays unseen.
    enum class Change {
        Enabled,
        Visible,
        Text,
        Checked,
        Position,
        MemoLines,
        TreeReload,
        TreeSelect
    };
    struct KeptChange {
        Control control;
        Change kind;
        std::function<void()> make;
    };
    // A change to a control on a page whose controls are not made yet is kept for later;
    // true when it was kept.
    bool keptForLater(Control c, Change kind, std::function<void()> change);
    void buildMenus();
    // The Read Aloud menu (before Help) and the Control page's Read Aloud button.
    void buildReadAloud();
    void connectReadAloud();
    void connectHandlers();
    void connectButtons();
    void connectOptions();
    void connectMenus();
    void connectPages();
    FindDialog& findDialog();
    void makeTocTree();
    void connectTocTree();
    bool keptTocNode(int absoluteIndex) const;
    void readPageResized(QSize size);
    void layoutIndexPage();
    void tocTreeShown();
    void fitFrameTo(const Rect& bounds);
    enum class MenuKey { None, Used, PassOn };
    MenuKey menuKey(const QKeyEvent& key);
    void frameMayBeKnown();
    void awaitFrame(const Rect& bounds);
    QWidget* widgetFor(Control c) const;
    QAction* actionFor(Control c) const;

    // Goes after the session, which stops the reading in its last words.
    std::unique_ptr<speech::SpeechEngine> m_speech;
    std::unique_ptr<QtSurface> m_surface;
    // The page the next PageDown shows is drawn on it once the reading page has painted.
    std::unique_ptr<QtSurface> m_spare;
    QTimer* m_prepareTimer = nullptr;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<OptionsControls> m_options;
    std::unique_ptr<IndexControls> m_index;
    std::vector<KeptChange> m_optionsChanges; // made once the controls exist
    std::vector<KeptChange> m_indexChanges;
    // What the session set on the contents tree while it was not made yet.
    struct TocKept {
        Tree tree;
        std::vector<bool> opened; // per node of `tree`: opened
        std::optional<int> selected;
        std::optional<int> fontPoints;
    };
    TocTree* m_tocTree = nullptr;
    TocKept m_tocKept;
    std::vector<QTreeWidgetItem*> m_tocItems;
    std::string m_applicationTitle;
    std::optional<std::string> m_openAnswer;        // answers the next open dialog
    std::optional<std::string> m_startUpCollection; // or book
    BookOpening* m_bookOpening = nullptr;
    // Outer bounds asked for while the window had no frame yet: a window manager adds the
    // frame only after the window is shown, and the bounds are fitted again then.
    std::optional<Rect> m_boundsAwaitingFrame;
    // Asks again for the frame while bounds await it: a window manager may announce the frame
    // after the last move and resize the window sees.
    QTimer* m_frameTimer = nullptr;
    int m_frameChecks = 0;
    bool m_created = false;
    bool m_activated = false;
    bool m_closed = false;
    bool m_pageDirty = false;
    // Only parts of the page changed since it was last drawn whole (the band of the line read
    // aloud): its paints leave the page drawn ahead as it is.
    bool m_onlyPartsChanged = false;
    bool m_treeBuilding = false;  // expansion by the program is no user action
    bool m_coupling = false;      // a page change made by the tab coupling itself
    bool m_bmMenuLocated = false; // the Bookmarks menu was opened for the current command
    QTreeWidgetItem* m_tocScrollPending = nullptr; // selected while the tree was hidden
    bool m_altAlone = false;                       // Alt is down and no other key came since
};

} // namespace qm

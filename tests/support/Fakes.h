#pragma once
// Test doubles shared by the core's tests: a view port that records what the core asks of the
// window and answers questions from queues, and a platform with a fixed screen and clock.
#include "core/port/NullViewPort.h"
#include "core/port/Platform.h"
#include "core/port/ViewPort.h"

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qmtest {

class RecordingView : public qm::NullViewPort {
public:
    void setCaption(const std::string& c) override { caption = c; }
    void setApplicationTitle(const std::string& t) override { applicationTitle = t; }
    void showMessage(const std::string& m) override { messages.push_back(m); }
    bool askYesNo(const std::string& c, const std::string& t) override {
        questions.push_back({c, t});
        if (yesNoAnswers.empty()) return false;
        const bool a = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return a;
    }
    void showPage(qm::Page p) override { pagesShown.push_back(p); }
    void setTabVisible(qm::Page p, bool v) override { tabVisible[p] = v; }
    void pageDrawn() override { ++pagesDrawn; }
    void setWindowBounds(const qm::Rect& r) override { bounds = r; }
    qm::Rect windowBounds() const override { return bounds; }
    void closeWindow() override { ++closeRequests; }
    void applyLayout(const qm::WindowLayout& l) override { layout = l; }
    void setTocTree(const qm::Tree& t) override {
        toc = t;
        expanded.clear();
    }
    void expandTocNode(int i) override { expanded.push_back(i); }
    void selectTocNode(int i) override { selectedToc = i; }
    void setTocFontSize(int s) override { tocFontSize = s; }
    void setRecentBooks(const std::vector<std::string>& titles) override { recentBooks = titles; }
    void setLines(qm::Control c, const qm::Lines& l) override { lines[c] = l; }
    std::optional<std::string> chooseOpenFile(const std::string& filter, const std::string& ext,
                                              const std::string& title,
                                              const std::string& name) override {
        openDialogs.push_back({filter, ext, title, name});
        return next(openAnswers);
    }
    std::optional<std::string> chooseSaveFile(const std::string& ext) override {
        saveDialogs.push_back(ext);
        return next(saveAnswers);
    }
    std::string askBookmarkName() override {
        ++bookmarkDialogs;
        if (!bookmarkNames.empty()) {
            lastBookmarkName = bookmarkNames.front();
            bookmarkNames.pop_front();
        }
        return lastBookmarkName;
    }
    std::optional<int> popupBookmarks(const std::vector<std::string>& captions, int x,
                                      int y) override {
        popups.push_back({captions, x, y});
        if (popupAnswers.empty()) return std::nullopt;
        auto a = popupAnswers.front();
        popupAnswers.pop_front();
        return a;
    }
    void showFindDialog(int x, int y) override {
        findDialogAt = {x, y};
        findDialogOpen = true;
    }
    void closeFindDialog() override { findDialogOpen = false; }

    struct Question {
        std::string caption, text;
    };
    struct OpenDialog {
        std::string filter, extension, title, fileName;
    };
    struct Popup {
        std::vector<std::string> captions;
        int x, y;
    };

    std::string caption, applicationTitle;
    std::vector<std::string> messages;
    std::vector<Question> questions;
    std::deque<bool> yesNoAnswers;
    std::vector<qm::Page> pagesShown;
    std::map<qm::Page, bool> tabVisible;
    int pagesDrawn = 0;
    qm::Rect bounds{90, 122, 729, 509};
    int closeRequests = 0;
    qm::WindowLayout layout;
    qm::Tree toc;
    std::vector<int> expanded;
    std::optional<int> selectedToc;
    int tocFontSize = 0;
    std::vector<std::string> recentBooks;
    std::map<qm::Control, qm::Lines> lines;
    std::vector<OpenDialog> openDialogs;
    std::deque<std::optional<std::string>> openAnswers;
    std::vector<std::string> saveDialogs;
    std::deque<std::optional<std::string>> saveAnswers;
    int bookmarkDialogs = 0;
    std::deque<std::string> bookmarkNames;
    std::string lastBookmarkName = " ";
    std::vector<Popup> popups;
    std::deque<std::optional<int>> popupAnswers;
    std::optional<std::pair<int, int>> findDialogAt;
    bool findDialogOpen = false;

private:
    template <class T> static std::optional<std::string> next(std::deque<T>& q) {
        if (q.empty()) return std::nullopt;
        auto a = q.front();
        q.pop_front();
        return a;
    }
};

class FixedPlatform : public qm::Platform {
public:
    int screenWidth() const override { return width; }
    int screenHeight() const override { return height; }
    std::string localDateTimeText() const override { return now; }
    bool startDetached(const std::string& program, const std::vector<std::string>& args) override {
        started.push_back({program, args});
        return startSucceeds;
    }

    struct Start {
        std::string program;
        std::vector<std::string> args;
    };
    int width = 1024, height = 768;
    std::string now = "12/7/2026 11:30:02";
    std::vector<Start> started;
    bool startSucceeds = true;
};

} // namespace qmtest

#pragma once
// The bookmark menus' fixture: a session over an in-memory bookmark file at a fixed path,
// with the text "qdemo" open.
#include "core/base/Error.h"
#include "core/shell/Session.h"
#include "core/testing/MemoryFileSystem.h"
#include "core/testing/SessionTestAccess.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <string>

using qm::Control;
using qm::Lines;

namespace bmtest {

inline const Lines kSeeded = {"<<none", "<<title", "<<qdemo", "<<author", "<<qau", "<<qdemo"};

class BookmarksTest : public ::testing::Test {
protected:
    void SetUp() override {
        qm::SessionTestAccess(s).setLocation(&qm::Locations::dataFolder, "/data/");
        fs.addFolder("/data");
        qm::SessionTestAccess(s).setLocation(&qm::Locations::bookmarkFile, path);
        qm::SessionTestAccess(s).setTextKey("qdemo");
    }
    void put(const Lines& lines) { fs.writeFile(path, qm::joinLinesCrLf(lines)); }
    void putBytes(const std::string& bytes) { fs.writeFile(path, bytes); }
    std::string bytes() const { return fs.readFile(path).value_or("<none>"); }
    Lines file() const { return qm::splitLines(bytes()); }
    bool menusEnabled() const {
        EXPECT_EQ(s.controls().enabled(Control::BMDeleteItem),
                  s.controls().enabled(Control::BMGOItem));
        return s.controls().enabled(Control::BMDeleteItem);
    }
    std::vector<std::string> popupCaptions() {
        view.popupAnswers.push_back(std::nullopt);
        s.BMGOItemClick();
        return view.popups.back().captions;
    }

    const std::string path = "/data/quillmar.bm";
    qmtest::RecordingView view;
    qm::MemoryFileSystem fs;
    qmtest::FixedPlatform platform;
    qm::Session s{view, fs, platform};
};

inline Lines entries(int count) {
    Lines l;
    for (int i = 0; i < count; ++i)
        l.push_back("#" + std::to_string(i) + " entry " + std::to_string(i));
    return l;
}

inline Lines concat(std::initializer_list<Lines> parts) {
    Lines out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

} // namespace bmtest

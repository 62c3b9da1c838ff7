// A file above its size cap in each place the reader reads one: the handler says so, naming
// the file and the cap, nothing of the file is read or replaced, and the reader goes on.
#include "core/catalogue/Catalogue.h"
#include "core/shell/Session.h"
#include "core/testing/FakeSurface.h"
#include "core/testing/MemoryFileSystem.h"
#include "core/testing/SessionTestAccess.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using qm::Session;
using qmtest::RecordingView;

const std::string kData = "/data/";

struct CapCase {
    const char* name;
    std::string path;
    qm::FileCap cap;
    // The handlers that meet the file, after the start-up.
    std::function<void(Session&, RecordingView&)> meet;
    // How the reader went on past it, where more than the check below shows it.
    std::function<bool(const Session&, const RecordingView&)> wentOn;
};

const CapCase kCases[] = {
    {"settings file", kData + "quillmar.ini", qm::kSettingsFileCap,
     [](Session& s, RecordingView& v) {
         v.bounds = {5, 6, 600, 500};
         s.run([&] { s.FormClose(); });
     },
     // The start-up applied the read defaults (not the default file's scheme, 0) and built
     // the catalogue; closing said it again.
     [](const Session& s, const RecordingView& v) {
         return s.controls().position(qm::Control::BGColorRadioGroup) == 1 &&
                !s.catalogue().empty() && v.messages.size() == 2;
     }},
    {"bookmark file", kData + "quillmar.bm", qm::kBookmarkFileCap,
     [](Session& s, RecordingView&) {
         s.run([&] { s.openText("/opt/quillmar/qdemo.tvt", " "); });
         s.run([&] { s.BMMenuClick(); });
     },
     // The text opened and was drawn, with no resume offer.
     [](const Session& s, const RecordingView& v) {
         return s.textKey() == "qdemo" && s.nextTopLine() > 0 && v.questions.empty();
     }},
    {"catalogue", "/else/big.toc", qm::kCatalogueFileCap,
     [](Session& s, RecordingView& v) {
         v.openAnswers = {"/else/big.toc"};
         s.run([&] { s.OpenTOCItemClick(); });
     },
     [](const Session& s, const RecordingView&) {
         return s.catalogue() == qm::builtInCatalogueLines();
     }},
    {"word index", "/opt/quillmar/qdemo.tvx", qm::kIndexFileCap,
     [](Session& s, RecordingView&) {
         qm::SessionTestAccess(s).setIndexFile("/opt/quillmar/qdemo.tvx");
         s.run([&] { s.IndexLoadButtonClick(); });
     },
     [](const Session& s, const RecordingView&) {
         return s.controls().enabled(qm::Control::IndexLoadButton) &&
                !s.controls().visible(qm::Control::LoadingIndexLabel);
     }},
    {"stored text", "/else/huge.tvt", qm::kStoredTextCap,
     [](Session& s, RecordingView&) { s.run([&] { s.openText("/else/huge.tvt", " "); }); },
     nullptr},
    {"prose", "/else/huge.txt", qm::kBookFileCap,
     [](Session& s, RecordingView&) { s.run([&] { s.openText("/else/huge.txt", " "); }); },
     nullptr},
    {"book", "/else/huge.epub", qm::kBookFileCap,
     [](Session& s, RecordingView& v) {
         v.openAnswers = {"/else/huge.epub"};
         s.run([&] { s.OpenTVTItemClick(); });
     },
     nullptr},
};

TEST(SizeCaps, AFileAboveItsCapIsNamedWithTheCapAndTheReaderGoesOn) {
    for (const CapCase& c : kCases) {
        SCOPED_TRACE(c.name);
        RecordingView view;
        qm::MemoryFileSystem fs;
        qmtest::FixedPlatform platform;
        qm::FakeSurface surface{800, 600};
        Session s{view, fs, platform};
        s.setSurface(&surface);
        fs.addFolder("/opt/quillmar");
        fs.addFolder("/else");
        fs.addFolder(kData);
        fs.addSparseFile(c.path, c.cap.bytes + 1);

        ASSERT_TRUE(s.run([&] { s.FormCreate("/opt/quillmar/quillmar", kData, ""); }));
        s.FormActivate();
        c.meet(s, view);
        ASSERT_FALSE(view.messages.empty());
        for (const std::string& m : view.messages)
            EXPECT_EQ(m, qm::fileTooLargeMessage(c.path, c.cap));
        if (c.wentOn) {
            EXPECT_TRUE(c.wentOn(s, view));
        }
        // Never replaced by what the reader would have written over it.
        EXPECT_EQ(fs.files().at(c.path), "");
        EXPECT_THROW(fs.readFile(c.path, c.cap), qm::FileTooLarge);

        // The built-in book still opens and pages (at a reference point: without one the
        // bookmark file would be consulted, and reported, again).
        view.messages.clear();
        qm::SessionTestAccess(s).setLocation(&qm::Locations::catalogueExtension, ".toc");
        EXPECT_TRUE(s.run([&] { s.openText("/opt/quillmar/qdemo.tvt", "refpt001"); }));
        EXPECT_TRUE(s.run([&] { s.NextButtonClick(); }));
        EXPECT_GT(s.topLine(), 0);
        EXPECT_TRUE(view.messages.empty());
    }
}

} // namespace

#pragma once
// A session on an in-memory file system with a recording view and a fixed-metrics surface,
// its program folder /books/ and its data folder /data/, holding the built-in catalogue.
#include "core/catalogue/Catalogue.h"
#include "core/shell/Session.h"
#include "core/testing/FakeSurface.h"
#include "core/testing/MemoryFileSystem.h"
#include "core/testing/SessionTestAccess.h"
#include "core/text/EmbeddedBook.h"
#include "core/text/LineFormat.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace qmtest {

class SessionFixture : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"/books", "/data", "/else"})
            fs.addFolder(folder);
        s.setSurface(&surface);
        qm::SessionTestAccess(s).setHaveDisplayList(true);
        qm::SessionTestAccess(s).setLocation(&qm::Locations::programFolder, "/books/");
        qm::SessionTestAccess(s).setLocation(&qm::Locations::dataFolder, "/data/");
        qm::SessionTestAccess(s).setLocation(&qm::Locations::bookmarkFile, "/data/quillmar.bm");
        qm::SessionTestAccess(s).setCatalogue(qm::builtInCatalogueLines());
    }

    static qm::Lines bookLines() {
        const auto book = qm::embeddedBookLines();
        return qm::Lines(book.begin(), book.end());
    }
    // Index in the embedded book of the line holding this tag.
    static std::size_t bookIndexOf(const std::string& tag) {
        const qm::Lines book = bookLines();
        for (std::size_t i = 0; i < book.size(); ++i)
            if (book[i].find(tag) != std::string::npos) return i;
        ADD_FAILURE() << "the book holds no " << tag;
        return 0;
    }
    void putFile(const std::string& path, const std::string& bytes) { fs.writeFile(path, bytes); }

    RecordingView view;
    qm::MemoryFileSystem fs;
    FixedPlatform platform;
    qm::FakeSurface surface{800, 600};
    qm::Session s{view, fs, platform};
};

} // namespace qmtest

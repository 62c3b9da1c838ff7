// Libraries the book readers open when first needed: one that cannot be opened gives a message
// naming it, what needs it and the loader's reason, never a crash.
#include "core/import/SharedLibraries.h"
#include "core/base/Error.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using qm::import::openLibrary;

TEST(SharedLibraries, OpensALibraryOrSaysWhyNot) {
    struct Case {
        const char* soname;
        const char* use;
        const char* reason; // part of the loader's reason, or nullptr when the library opens
    };
    const Case cases[] = {
        {"libc.so.6", "books", nullptr},
        {"libquillmar-absent.so.1", "EPUB books", "No such file"},
        {"/nonexistent/libzip.so.4", "EPUB and HTML books", "No such file"},
        {"/dev/null", "HTML books", "too short"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.soname);
        if (!c.reason) {
            EXPECT_NE(openLibrary(c.soname, c.use), nullptr);
            continue;
        }
        try {
            (void)openLibrary(c.soname, c.use);
            ADD_FAILURE() << "opened";
        } catch (const qm::UserError& e) {
            const std::string what = e.what();
            EXPECT_EQ(what.rfind(std::string("reading ") + c.use + " needs the library " +
                                     c.soname + ", which could not be loaded (",
                                 0),
                      0u)
                << what;
            EXPECT_NE(what.find(c.reason), std::string::npos) << what;
        }
    }
}

} // namespace

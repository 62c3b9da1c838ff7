// The EPUB reader over any bytes. Input that begins as a zip archive is read as it stands
// (archive damage, limits); any other input is cut at "\n=====\n" lines into the files of an
// EPUB (container, package document, navigation document, NCX, two chapter files, encryption
// list), which are zipped first, so that the fuzzer reaches the XML and HTML inside.
#include "BookChecks.h"
#include "import/ImportTestSupport.h"

#include <array>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (input.starts_with("PK")) {
        qmfuzz::readAndCheck("book.epub", data, size);
        return 0;
    }
    static const std::array<const char*, 7> kNames{
        "META-INF/container.xml", "OEBPS/content.opf", "OEBPS/nav.xhtml",        "OEBPS/toc.ncx",
        "OEBPS/a.xhtml",          "OEBPS/b.xhtml",     "META-INF/encryption.xml"};
    std::vector<qmtest::ZipEntry> entries{{"mimetype", "application/epub+zip", true}};
    std::size_t from = 0;
    for (const char* name : kNames) {
        if (from > input.size()) break;
        std::size_t end = input.find("\n=====\n", from);
        if (end == std::string_view::npos) end = input.size();
        entries.push_back({name, std::string(input.substr(from, end - from)), true});
        from = end + 7;
    }
    const std::string zip = qmtest::makeZip(entries);
    qmfuzz::readAndCheck("book.epub", reinterpret_cast<const std::uint8_t*>(zip.data()),
                         zip.size());
    return 0;
}

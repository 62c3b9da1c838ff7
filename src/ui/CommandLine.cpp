#include "ui/CommandLine.h"

#include "core/base/Text.h"

#include <map>

namespace qm {

bool CommandLine::headless() const {
    return toc || scheme || noColoredText || singleShade || twoColumns || fontSize || next > 0 ||
           prev > 0 || find || readAloud || pageText || saveScreen || pageInfo || render ||
           exportTo ||
           cascade || makeIndex || sizeGiven;
}

bool CommandLine::toolsOnly() const {
    return (cascade || makeIndex) &&
           !(toc || scheme || noColoredText || singleShade || twoColumns || fontSize || next > 0 ||
             prev > 0 || find || readAloud || pageText || saveScreen || pageInfo || render ||
             exportTo);
}

std::string usageText() {
    return "Usage: quillmar [options] [text]\n"
           "\n"
           "Reading:\n"
           "  text                  the text to open at start-up; a collection's catalogue\n"
           "                        (.toc or .cdb) opens as Open Table of Contents would\n"
           "  --data-dir DIR        the folder for settings and bookmarks\n"
           "  --help                show this help and exit\n"
           "  --version             show the version and exit\n"
           "\n"
           "Headless (no window; actions run in this order):\n"
           "  --size WxH            size of the reading page, default 800x600\n"
           "  --toc N               click the contents-tree node with absolute index N\n"
           "  --scheme NAME         choose the background colours: light, dark or windows\n"
           "  --no-colored-text     check \"No Colored Text\"\n"
           "  --single-shade        check \"1 Color Background\"\n"
           "  --two-columns         check \"2 Column Display\"\n"
           "  --font-size N         move the font size track bar to N (4 to 40)\n"
           "  --next N              page forward N times\n"
           "  --prev N              then page back N times\n"
           "  --find TEXT           one find step for TEXT\n"
           "  --find-up             search upward\n"
           "  --match-case          match the letter case\n"
           "  --read-aloud N        read N phrase lines aloud from the page's top line,\n"
           "                        printing \"lit LINE\" as each is lit and \"turned TOP\"\n"
           "                        at each page turn\n"
           "  --page-text           print the page's lines as Save Screen writes them\n"
           "  --save-screen FILE    save the page's lines to FILE\n"
           "  --page-info           print the top line, the next top line and the line count\n"
           "  --render FILE         write the reading page as a PNG picture\n"
           "  --export FILE         write the text showing as an EPUB 3 (FILE.epub) or a PDF\n"
           "                        of the reader's pages (FILE.pdf); an existing FILE is\n"
           "                        left as it is unless --replace is given\n"
           "  --page-size NAME      the PDF's pages: a4 (the default), letter, a5 or ereader\n"
           "                        (a 6-inch e-reader's 90 x 122 mm)\n"
           "  --shades              the EPUB's paragraphs on their two background shades\n"
           "  --replace             let --export replace an existing file\n"
           "\n"
           "Tools:\n"
           "  --cascade FILE        print the stored form of the book in FILE (.epub, .htm, "
           ".html,\n"
           "                        .txt or plain text); chapters' reference points on stderr\n"
           "  --make-index FILE     print the word index of the stored text in FILE\n";
}

namespace {

// The arguments read one at a time. Only the first fault is reported, and reading stops there.
class ArgumentReader {
public:
    ArgumentReader(const std::vector<std::string>& args, std::string& error)
        : m_args(args)
        , m_error(error) {}

    bool more() const { return m_next < m_args.size() && m_error.empty(); }
    const std::string& next() { return m_args[m_next++]; }
    void fail(const std::string& message) {
        if (m_error.empty()) m_error = message;
    }
    // The argument after the option `name`.
    std::optional<std::string> value(const std::string& name) {
        if (m_next >= m_args.size()) {
            fail(name + " needs a value");
            return std::nullopt;
        }
        return m_args[m_next++];
    }
    // The argument after the option `name` as a number from minimum to maximum.
    std::optional<int> number(const std::string& name, int minimum, int maximum) {
        const auto v = value(name);
        if (!v) return std::nullopt;
        const auto n = parseInteger(*v);
        if (!n || *n < minimum || *n > maximum) {
            fail(name + ": '" + *v + "' is not a number from " + std::to_string(minimum) + " to " +
                 std::to_string(maximum));
            return std::nullopt;
        }
        return n;
    }

private:
    const std::vector<std::string>& m_args;
    std::string& m_error;
    std::size_t m_next = 0;
};

// An option that stands alone; false when `a` is none.
bool readSwitch(const std::string& a, CommandLine& o) {
    static const std::map<std::string, bool CommandLine::*> switches = {
        {"--help", &CommandLine::help},
        {"-h", &CommandLine::help},
        {"--version", &CommandLine::version},
        {"--no-colored-text", &CommandLine::noColoredText},
        {"--single-shade", &CommandLine::singleShade},
        {"--two-columns", &CommandLine::twoColumns},
        {"--find-up", &CommandLine::findUp},
        {"--match-case", &CommandLine::matchCase},
        {"--page-text", &CommandLine::pageText},
        {"--page-info", &CommandLine::pageInfo},
        {"--shades", &CommandLine::shades},
        {"--replace", &CommandLine::replace},
    };
    const auto it = switches.find(a);
    if (it == switches.end()) return false;
    o.*(it->second) = true;
    return true;
}

// An option followed by a text or a file name; false when `a` is none.
bool readTextOption(const std::string& a, ArgumentReader& in, CommandLine& o) {
    static const std::map<std::string, std::optional<std::string> CommandLine::*> options = {
        {"--data-dir", &CommandLine::dataDir},       {"--find", &CommandLine::find},
        {"--save-screen", &CommandLine::saveScreen}, {"--render", &CommandLine::render},
        {"--cascade", &CommandLine::cascade},        {"--make-index", &CommandLine::makeIndex},
        {"--export", &CommandLine::exportTo},
    };
    const auto it = options.find(a);
    if (it == options.end()) return false;
    o.*(it->second) = in.value(a);
    return true;
}

// An option followed by a number; false when `a` is none.
bool readNumberOption(const std::string& a, ArgumentReader& in, CommandLine& o) {
    if (a == "--toc")
        o.toc = in.number(a, 0, 1 << 30);
    else if (a == "--font-size")
        o.fontSize = in.number(a, 4, 40);
    else if (a == "--next")
        o.next = in.number(a, 0, 1000000).value_or(0);
    else if (a == "--prev")
        o.prev = in.number(a, 0, 1000000).value_or(0);
    else if (a == "--read-aloud")
        o.readAloud = in.number(a, 1, 1000000);
    else
        return false;
    return true;
}

// --size WIDTHxHEIGHT.
void readSize(const std::string& a, ArgumentReader& in, CommandLine& o) {
    const auto v = in.value(a);
    if (!v) return;
    const std::size_t x = v->find('x');
    const auto w = x == std::string::npos ? std::nullopt : parseInteger(v->substr(0, x));
    const auto h = x == std::string::npos ? std::nullopt : parseInteger(v->substr(x + 1));
    if (!w || !h || *w < 1 || *h < 1 || *w > 16384 || *h > 16384) {
        in.fail("--size: '" + *v + "' is not WIDTHxHEIGHT (1 to 16384 each)");
        return;
    }
    o.width = *w;
    o.height = *h;
    o.sizeGiven = true;
}

// --scheme light, dark or windows.
void readScheme(const std::string& a, ArgumentReader& in, CommandLine& o) {
    const auto v = in.value(a);
    if (!v) return;
    static const std::map<std::string, int> schemes = {{"light", 0}, {"dark", 1}, {"windows", 2}};
    const auto it = schemes.find(*v);
    if (it == schemes.end())
        in.fail("--scheme: '" + *v + "' is not light, dark or windows");
    else
        o.scheme = it->second;
}

// --page-size a4, letter, a5 or ereader.
void readPageSize(const std::string& a, ArgumentReader& in, CommandLine& o) {
    const auto v = in.value(a);
    if (!v) return;
    if (*v != "a4" && *v != "letter" && *v != "a5" && *v != "ereader")
        in.fail("--page-size: '" + *v + "' is not a4, letter, a5 or ereader");
    else
        o.pageSize = *v;
}

// Any option but "--"; false when `a` is none.
bool readOption(const std::string& a, ArgumentReader& in, CommandLine& o) {
    if (a == "--size")
        readSize(a, in, o);
    else if (a == "--page-size")
        readPageSize(a, in, o);
    else if (a == "--scheme")
        readScheme(a, in, o);
    else
        return readSwitch(a, o) || readTextOption(a, in, o) || readNumberOption(a, in, o);
    return true;
}

} // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args) {
    ParsedCommandLine result;
    CommandLine& o = result.options;
    ArgumentReader in(args, result.error);
    bool positionalOnly = false;
    while (in.more()) {
        const std::string& a = in.next();
        if (positionalOnly || a.empty() || a[0] != '-' || a == "-") {
            if (!o.text.empty()) in.fail("only one text can be named: '" + a + "'");
            o.text = a;
        } else if (a == "--") {
            positionalOnly = true;
        } else if (!readOption(a, in, o)) {
            in.fail("unknown option '" + a + "'");
        }
    }
    return result;
}

} // namespace qm

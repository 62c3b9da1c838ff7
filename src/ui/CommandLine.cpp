#include "ui/CommandLine.h"

#include "core/base/Text.h"

#include <functional>
#include <map>

namespace qm {

bool CommandLine::headless() const {
    return toc || scheme || noColoredText || singleShade || twoColumns || fontSize || next > 0 ||
           prev > 0 || find || pageText || saveScreen || pageInfo || render || cascade ||
           makeIndex || sizeGiven;
}

bool CommandLine::toolsOnly() const {
    return (cascade || makeIndex) &&
           !(toc || scheme || noColoredText || singleShade || twoColumns || fontSize || next > 0 ||
             prev > 0 || find || pageText || saveScreen || pageInfo || render);
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
           "  --page-text           print the page's lines as Save Screen writes them\n"
           "  --save-screen FILE    save the page's lines to FILE\n"
           "  --page-info           print the top line, the next top line and the line count\n"
           "  --render FILE         write the reading page as a PNG picture\n"
           "\n"
           "Tools:\n"
           "  --cascade FILE        print the stored form of the book in FILE (.epub, .htm, "
           ".html,\n"
           "                        .txt or plain text); chapters' reference points on stderr\n"
           "  --make-index FILE     print the word index of the stored text in FILE\n";
}

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args) {
    ParsedCommandLine result;
    CommandLine& o = result.options;
    std::size_t i = 0;
    auto fail = [&](const std::string& message) {
        if (result.error.empty()) result.error = message;
    };
    auto value = [&](const std::string& name) -> std::optional<std::string> {
        if (i + 1 >= args.size()) {
            fail(name + " needs a value");
            return std::nullopt;
        }
        return args[++i];
    };
    auto number = [&](const std::string& name, int minimum, int maximum) -> std::optional<int> {
        const auto v = value(name);
        if (!v) return std::nullopt;
        const auto n = parseInteger(*v);
        if (!n || *n < minimum || *n > maximum) {
            fail(name + ": '" + *v + "' is not a number from " + std::to_string(minimum) + " to " +
                 std::to_string(maximum));
            return std::nullopt;
        }
        return n;
    };

    bool positionalOnly = false;
    for (; i < args.size() && result.error.empty(); ++i) {
        const std::string& a = args[i];
        if (positionalOnly || a.empty() || a[0] != '-' || a == "-") {
            if (!o.text.empty()) fail("only one text can be named: '" + a + "'");
            o.text = a;
        } else if (a == "--") {
            positionalOnly = true;
        } else if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--data-dir") {
            o.dataDir = value(a);
        } else if (a == "--size") {
            const auto v = value(a);
            if (!v) continue;
            const std::size_t x = v->find('x');
            const auto w = x == std::string::npos ? std::nullopt : parseInteger(v->substr(0, x));
            const auto h = x == std::string::npos ? std::nullopt : parseInteger(v->substr(x + 1));
            if (!w || !h || *w < 1 || *h < 1 || *w > 16384 || *h > 16384) {
                fail("--size: '" + *v + "' is not WIDTHxHEIGHT (1 to 16384 each)");
                continue;
            }
            o.width = *w;
            o.height = *h;
            o.sizeGiven = true;
        } else if (a == "--toc") {
            o.toc = number(a, 0, 1 << 30);
        } else if (a == "--scheme") {
            const auto v = value(a);
            if (!v) continue;
            static const std::map<std::string, int> schemes = {
                {"light", 0}, {"dark", 1}, {"windows", 2}};
            const auto it = schemes.find(*v);
            if (it == schemes.end())
                fail("--scheme: '" + *v + "' is not light, dark or windows");
            else
                o.scheme = it->second;
        } else if (a == "--no-colored-text") {
            o.noColoredText = true;
        } else if (a == "--single-shade") {
            o.singleShade = true;
        } else if (a == "--two-columns") {
            o.twoColumns = true;
        } else if (a == "--font-size") {
            o.fontSize = number(a, 4, 40);
        } else if (a == "--next") {
            o.next = number(a, 0, 1000000).value_or(0);
        } else if (a == "--prev") {
            o.prev = number(a, 0, 1000000).value_or(0);
        } else if (a == "--find") {
            o.find = value(a);
        } else if (a == "--find-up") {
            o.findUp = true;
        } else if (a == "--match-case") {
            o.matchCase = true;
        } else if (a == "--page-text") {
            o.pageText = true;
        } else if (a == "--save-screen") {
            o.saveScreen = value(a);
        } else if (a == "--page-info") {
            o.pageInfo = true;
        } else if (a == "--render") {
            o.render = value(a);
        } else if (a == "--cascade") {
            o.cascade = value(a);
        } else if (a == "--make-index") {
            o.makeIndex = value(a);
        } else {
            fail("unknown option '" + a + "'");
        }
    }
    return result;
}

} // namespace qm

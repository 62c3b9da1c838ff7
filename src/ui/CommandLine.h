#pragma once
// The command line: `quillmar [options] [text]`. The headless options run the window's
// start-up and first activation without a window, act as a user would, print and exit.
#include <optional>
#include <string>
#include <vector>

namespace qm {

struct CommandLine {
    std::string text; // the text named at start-up (positional)
    std::optional<std::string> dataDir;
    int width = 800, height = 600;

    // Reading actions, run in this order.
    std::optional<int> toc;
    std::optional<int> scheme; // 0 light, 1 dark, 2 windows
    bool noColoredText = false;
    bool singleShade = false;
    bool twoColumns = false;
    std::optional<int> fontSize;
    int next = 0;
    int prev = 0;
    std::optional<std::string> find;
    bool findUp = false;
    bool matchCase = false;
    // Phrase lines to read aloud from the page's top line, after the actions above.
    std::optional<int> readAloud;

    // Output of a headless run.
    bool pageText = false;
    std::optional<std::string> saveScreen;
    bool pageInfo = false;
    std::optional<std::string> render;
    std::optional<std::string> exportTo; // the text showing as .epub or .pdf
    std::string pageSize = "a4";        // of a PDF: a4, letter, a5 or ereader
    bool shades = false;                 // an EPUB's paragraphs on their shades
    bool replace = false;                // an existing export file may be replaced

    // Tools.
    std::optional<std::string> cascade;
    std::optional<std::string> makeIndex;

    bool help = false;
    bool version = false;
    bool sizeGiven = false;

    // True when the run is headless: any action or output option was given.
    bool headless() const;
    // True when only tools run (no reader start-up is needed).
    bool toolsOnly() const;
};

struct ParsedCommandLine {
    CommandLine options;
    std::string error; // empty when the arguments were understood
};

// args excludes the program name.
ParsedCommandLine parseCommandLine(const std::vector<std::string>& args);
std::string usageText();

} // namespace qm

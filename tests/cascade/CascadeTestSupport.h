#pragma once
// Reading cascaded output back: phrase text without tags, sentences, and the well-formedness
// rules every stored line must keep.
#include "core/base/Text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace qm::test {

inline bool isPhraseLine(const std::string& l) {
    return l.size() >= 3 && l[0] == 'l' && l[1] >= '0' && l[1] <= '9' && l[2] >= '0' && l[2] <= '9';
}

inline int levelOf(const std::string& l) {
    return (l[1] - '0') * 10 + (l[2] - '0');
}

// The words of a phrase line as the reader shows them: code, tags and trailing blank gone.
inline std::string phraseText(const std::string& l) {
    std::string out;
    for (std::size_t i = 3; i < l.size(); ++i) {
        if (l[i] == '|' && i + 2 < l.size() && l[i + 2] == '>') {
            i += 2;
            continue;
        }
        out.push_back(l[i]);
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

inline std::size_t wordCount(const std::string& s) {
    std::istringstream in(s);
    std::size_t n = 0;
    for (std::string w; in >> w;)
        ++n;
    return n;
}

inline bool isBodyLine(const std::string& l) {
    return isPhraseLine(l) && levelOf(l) > 0;
}

// Sentences as the cascade shows them: body phrase lines between section markers.
inline std::vector<std::string> sentencesOf(const Lines& lines) {
    std::vector<std::string> out;
    std::string cur;
    for (const std::string& l : lines) {
        if (l.rfind("s000", 0) == 0) {
            if (!cur.empty()) out.push_back(cur);
            cur.clear();
        } else if (isBodyLine(l)) {
            if (!cur.empty()) cur += ' ';
            cur += phraseText(l);
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

// Every line after the banner: a phrase line at 00 to 21 (four steps right of the base 05) ending
// in one blank with balanced colour tags, "s000 ", a paragraph marker, or the final "END".
inline void expectWellFormed(const Lines& lines) {
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back(), "END");
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::string& l = lines[i];
        SCOPED_TRACE("line " + std::to_string(i) + ": " + l);
        ASSERT_FALSE(l.empty());
        for (char c : l)
            EXPECT_GE(static_cast<unsigned char>(c), 0x20u) << "control byte";
        if (l == "s000 ") continue;
        if (l[0] == 'p') {
            ASSERT_EQ(l.size(), 5u);
            EXPECT_TRUE(isdigit(static_cast<unsigned char>(l[1])) &&
                        isdigit(static_cast<unsigned char>(l[2])) &&
                        isdigit(static_cast<unsigned char>(l[3])));
            EXPECT_EQ(l[4], ' ');
            continue;
        }
        ASSERT_TRUE(isPhraseLine(l));
        EXPECT_LE(levelOf(l), 21);
        EXPECT_EQ(l.back(), ' ');
        if (l.find("|refpt") != std::string::npos) {
            EXPECT_EQ(l.size(), 14u);
            continue;
        }
        // A picture's line: its image tag alone, naming the picture or nothing.
        if (const std::size_t tag = l.find("|image>"); tag != std::string::npos) {
            EXPECT_EQ(tag, 3u);
            EXPECT_EQ(l.find('|', tag + 1), std::string::npos);
            continue;
        }
        // The reader takes these letter runs for markers wherever they stand.
        EXPECT_EQ(l.find("s000"), std::string::npos);
        EXPECT_EQ(l.find("refp"), std::string::npos);
        if (levelOf(l) == 0 && l.size() > 3) {
            EXPECT_EQ(std::string("prs").find(l[3]), std::string::npos);
        }
        // Tags: three characters each; colour goes back to the text colour on the line.
        char colour = '4';
        for (std::size_t k = 3; k < l.size(); ++k) {
            if (l[k] != '|') continue;
            ASSERT_LT(k + 2, l.size());
            EXPECT_EQ(l[k + 2], '>');
            const char t = l[k + 1];
            EXPECT_NE(std::string("4678bin").find(t), std::string::npos) << "tag " << t;
            if (t >= '4' && t <= '9') {
                EXPECT_NE(t, colour) << "tag that changes nothing";
                colour = t;
            }
            k += 2;
        }
        EXPECT_EQ(colour, '4') << "colour left open";
        if (levelOf(l) > 0) {
            EXPECT_FALSE(phraseText(l).empty());
        }
    }
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buf;
    buf << in.rdbuf();
    return buf.str();
}

} // namespace qm::test

#pragma once
// An initialisation file kept as its lines, so that writing a key changes that one line and
// every other line (comments, blank lines, unknown keys and sections, odd bytes) survives byte
// for byte, line ends included.
//
// Form: a line "[" + name + "]" opens a section (names may hold any characters but "]", such
// as backslashes and colons); a line key + "=" + value sets a key of the current section;
// lines starting with ";" are comments. Section and key names compare without regard to the
// case of A to Z, and blanks around names and values are ignored, as the platform's reader
// does. When a section or a key occurs twice, the first one wins for reading and writing.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(std::string_view bytes);

    // The key's value with surrounding blanks removed, or nothing when the section or the key
    // is missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // The value as an integer (decimal, "$" or "0x" hexadecimal); the default when the key is
    // missing or its value is not an integer.
    int readInteger(std::string_view section, std::string_view key, int defaultValue) const;

    // Replaces the key's line in place, or adds the key at the end of its section, or adds the
    // section at the end of the document.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, int value);

    std::size_t lineCount() const { return m_lines.size(); }
    const std::string& line(std::size_t i) const { return m_lines.at(i).text; }
    // The document as file bytes: each line with its own line end; added lines end in CR LF.
    std::string bytes() const;

private:
    enum class End { None, Lf, Cr, CrLf };
    struct Line {
        std::string text;
        End end = End::CrLf;
    };
    struct Section {
        std::size_t header; // index of the "[...]" line, or npos when absent
        std::size_t end;    // index of the line after the section's last line
    };

    Section findSection(std::string_view section) const;
    std::optional<std::size_t> findKey(const Section& s, std::string_view key) const;
    void insertLine(std::size_t at, std::string text);

    std::vector<Line> m_lines;
};

} // namespace qm

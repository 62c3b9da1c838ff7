#pragma once
// Text for ICU's transliterators to rewrite in place, held in a gap buffer. A transliterator
// replaces one match after another from the start of the text to its end; in a plain string
// every replacement moves everything after it, so a long run of characters took time that
// grew with the square of its length. Here the gap sits where the last replacement ended,
// so the next one, a few characters on, moves only those few.
#include <unicode/rep.h>
#include <unicode/unistr.h>

#include <cstdint>
#include <vector>

namespace qm::encoding {

class GapText final : public icu::Replaceable {
public:
    explicit GapText(const icu::UnicodeString& text);

    // The text as it stands, from `start` to the end.
    icu::UnicodeString tail(std::int32_t start) const;

    void extractBetween(std::int32_t start, std::int32_t limit,
                        icu::UnicodeString& target) const override;
    void handleReplaceBetween(std::int32_t start, std::int32_t limit,
                              const icu::UnicodeString& text) override;
    void copy(std::int32_t start, std::int32_t limit, std::int32_t dest) override;
    UBool hasMetaData() const override { return false; }
    GapText* clone() const override { return new GapText(*this); }

protected:
    std::int32_t getLength() const override;
    char16_t getCharAt(std::int32_t offset) const override;
    UChar32 getChar32At(std::int32_t offset) const override;

private:
    std::size_t at(std::int32_t offset) const;
    void moveGapTo(std::int32_t offset);
    void widenGap(std::size_t needed);

    std::vector<char16_t> m_units;
    std::size_t m_gapStart = 0;
    std::size_t m_gapEnd = 0;
};

} // namespace qm::encoding

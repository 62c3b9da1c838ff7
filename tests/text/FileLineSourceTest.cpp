#include "core/base/Error.h"
#include "core/testing/MemoryFileSystem.h"
#include "core/text/LineFormat.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Random texts rich in what splitting and the passes care about: every kind of line end
// (a CR LF pair often straddling two pieces), blank and control-only lines, trailing blank
// runs, phrase codes, record headers and "EOF".
std::string randomText(std::mt19937& rng) {
    static const char* const pieces[] = {
        "\r",       "\n",  "\r\n",  " ",     "\t",
        "l05word ", "l1x", "p001 ", "s000 ", "EOF",
        "l08",      "x",   "|4>",   "\0",    "p23456789012345678901234567890123456 record"};
    std::string text;
    const int n = static_cast<int>(rng() % 60);
    for (int i = 0; i < n; ++i) {
        const char* p = pieces[rng() % std::size(pieces)];
        text += *p ? std::string(p) : std::string(1, '\0');
    }
    return text;
}

struct Outcome {
    qm::Lines lines;
    std::string error;
    bool operator==(const Outcome&) const = default;
};

template <class Source> Outcome convert(Source& source, qm::ConversionPass pass) {
    Outcome o;
    qm::LineBuffer lines;
    try {
        qm::prepareDisplayLines(source, pass, lines);
    } catch (const qm::UserError& e) {
        o.error = e.what();
    }
    o.lines = lines.toLines();
    return o;
}

// Reading in pieces of any size gives exactly what reading the whole file gives: the same
// lines, the same line count, the same display lines and errors through both passes.
TEST(FileLineSource, PiecesGiveWhatTheWholeFileGives) {
    std::mt19937 rng(11);
    qm::MemoryFileSystem fs;
    fs.addFolder("/t");
    for (int round = 0; round < 3000; ++round) {
        const std::string text = randomText(rng);
        fs.writeFile("/t/x.tvt", text);
        const std::size_t piece = 1 + rng() % 7;

        qm::ByteLineSource whole(text);
        auto counter = fs.openFile("/t/x.tvt");
        ASSERT_TRUE(counter);
        EXPECT_EQ(qm::FileLineSource::countLines(*counter, piece), whole.remainingHint())
            << "round " << round;

        qm::FileLineSource raw(fs.openFile("/t/x.tvt"), whole.remainingHint(), piece);
        qm::Lines fromPieces, fromWhole;
        std::string_view line;
        while (raw.next(line))
            fromPieces.emplace_back(line);
        while (whole.next(line))
            fromWhole.emplace_back(line);
        ASSERT_EQ(fromPieces, fromWhole) << "round " << round;

        for (const auto pass : {qm::ConversionPass::Plain, qm::ConversionPass::Record}) {
            qm::ByteLineSource bytes(text);
            qm::FileLineSource file(fs.openFile("/t/x.tvt"), 0, piece);
            ASSERT_EQ(convert(file, pass), convert(bytes, pass)) << "round " << round;
        }
    }
}

// A failing read ends the text where it stands instead of failing the open.
TEST(FileLineSource, AReadErrorEndsTheText) {
    class Failing final : public qm::FileReader {
    public:
        std::optional<std::size_t> read(char* data, std::size_t size) override {
            if (m_calls++ > 0) return std::nullopt;
            const std::string first = "banner\nl05one \nl0";
            const std::size_t n = std::min(size, first.size());
            first.copy(data, n);
            return n;
        }

    private:
        int m_calls = 0;
    };
    qm::FileLineSource source(std::make_unique<Failing>(), 3, 64);
    qm::Lines lines;
    std::string_view line;
    while (source.next(line))
        lines.emplace_back(line);
    EXPECT_EQ(lines, (qm::Lines{"banner", "l05one ", "l0"}));
    // Counting cannot know the size of a file it could not read to the end.
    Failing counted;
    EXPECT_FALSE(qm::FileLineSource::countLines(counted, 64).has_value());
}

} // namespace

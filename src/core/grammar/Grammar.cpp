#include "core/grammar/Grammar.h"

#include "core/base/Error.h"
#include "core/grammar/Tokenizer.h"
#include "core/port/FileSystem.h"

#include <vector>

namespace qm::grammar {
namespace {

constexpr std::string_view kMagic = "QMGRAMMR";
constexpr std::uint32_t kVersion = 4;

// Scratch space of one thread: grows to the longest sentence seen, then stays.
struct Scratch {
    std::vector<Lexeme> lexemes;
    std::vector<Upos> tags;
    std::vector<std::uint8_t> fine;
    ParseState state;
};

Scratch& scratch() {
    thread_local Scratch s;
    return s;
}

void fillLexemes(std::string_view text, const Sentence& words, Scratch& s) {
    s.lexemes.resize(words.size());
    for (std::size_t i = 0; i < words.size(); ++i) {
        const Word& w = words[i];
        const std::size_t b = w.begin < text.size() ? w.begin : text.size();
        const std::size_t e = w.end < text.size() ? w.end : text.size();
        s.lexemes[i] = makeLexeme(text.substr(b, e > b ? e - b : 0));
    }
}

bool parseFromTags(const Parser& parser, const FineTagger& fine, Sentence& words, Scratch& s) {
    for (Word& w : words) {
        w.head = 0;
        w.rel = Rel::Dep;
    }
    if (words.empty() || words.size() > Grammar::kMaxParsedWords) return false;
    s.tags.resize(words.size());
    for (std::size_t i = 0; i < words.size(); ++i)
        s.tags[i] = words[i].upos;
    s.fine.resize(words.size());
    fine.tag(s.lexemes.data(), s.tags.data(), words.size(), s.fine.data());
    for (std::size_t i = 0; i < words.size(); ++i)
        s.lexemes[i].form = s.fine[i];
    parser.parse(s.lexemes.data(), s.tags.data(), words.size(), s.state, words.data());
    return true;
}

} // namespace

Grammar::Grammar(Tagger tagger, Parser parser, FineTagger fine)
    : m_tagger(std::move(tagger))
    , m_parser(std::move(parser))
    , m_fine(std::move(fine)) {}

std::string Grammar::toBytes() const {
    ByteWriter out;
    out.bytes(kMagic);
    out.u32(kVersion);
    m_tagger.lexicon().write(out);
    m_tagger.weights().write(out);
    m_parser.moves().write(out);
    m_parser.labels().write(out);
    m_fine.weights().write(out);
    const std::uint64_t sum = checksum(out.data());
    out.u32(static_cast<std::uint32_t>(sum));
    out.u32(static_cast<std::uint32_t>(sum >> 32));
    return out.take();
}

std::shared_ptr<const Grammar> Grammar::fromBytes(std::string_view bytes) {
    try {
        if (bytes.size() < kMagic.size() + 12 || bytes.substr(0, kMagic.size()) != kMagic)
            throw ModelError("it is not a grammar model");
        const std::string_view body = bytes.substr(0, bytes.size() - 8);
        ByteReader tail(bytes.substr(bytes.size() - 8));
        const std::uint64_t lo = tail.u32();
        const std::uint64_t sum = lo | static_cast<std::uint64_t>(tail.u32()) << 32;
        ByteReader in(body);
        in.bytes(kMagic.size());
        if (in.u32() != kVersion) throw ModelError("it was made for another version");
        if (checksum(body) != sum) throw ModelError("it is damaged or cut short");
        Lexicon lexicon = Lexicon::read(in);
        WeightTable tagWeights = WeightTable::read(in);
        InlineTable moves = InlineTable::read(in);
        WeightTable labels = WeightTable::read(in);
        WeightTable fine = WeightTable::read(in);
        if (tagWeights.classes() != kUposCount || moves.classes() != kMoveCount ||
            labels.classes() != kRelCount || fine.classes() != kFineCount)
            throw ModelError("its classes do not match this program");
        if (in.left() != 0) throw ModelError("it has bytes after its end");
        return std::make_shared<const Grammar>(Tagger(std::move(tagWeights), std::move(lexicon)),
                                               Parser(std::move(moves), std::move(labels)),
                                               FineTagger(std::move(fine)));
    } catch (const ModelError& e) {
        throw UserError(std::string("The grammar model cannot be read: ") + e.what() + ".");
    }
}

std::shared_ptr<const Grammar> Grammar::load(const FileSystem& fs, const std::string& path) {
    const std::unique_ptr<FileReader> in = fs.openFile(path, kGrammarModelCap);
    if (!in) throw UserError("The grammar model " + path + " cannot be opened.");
    std::string bytes;
    std::string buffer(std::size_t{1} << 16, '\0');
    for (;;) {
        const std::optional<std::size_t> got = in->read(buffer.data(), buffer.size());
        if (!got) throw UserError("The grammar model " + path + " cannot be read.");
        if (*got == 0) break;
        bytes.append(buffer.data(), *got);
    }
    try {
        return fromBytes(bytes);
    } catch (const UserError& e) {
        throw UserError(std::string(e.what()) + " (" + path + ")");
    }
}

bool Grammar::parse(std::string_view text, Sentence& out) const {
    tokenize(text, out);
    return parseWords(text, out);
}

bool Grammar::parseWords(std::string_view text, Sentence& words) const {
    // Tagging leaves the words' lexemes in this thread's scratch space for the parser.
    tagWords(text, words);
    return parseFromTags(m_parser, m_fine, words, scratch());
}

void Grammar::tagWords(std::string_view text, Sentence& words) const {
    Scratch& s = scratch();
    fillLexemes(text, words, s);
    s.tags.resize(words.size());
    m_tagger.tag(s.lexemes.data(), words.size(), s.tags.data());
    for (std::size_t i = 0; i < words.size(); ++i)
        words[i].upos = s.tags[i];
}

bool Grammar::parseTagged(std::string_view text, Sentence& words) const {
    Scratch& s = scratch();
    fillLexemes(text, words, s);
    return parseFromTags(m_parser, m_fine, words, s);
}

} // namespace qm::grammar

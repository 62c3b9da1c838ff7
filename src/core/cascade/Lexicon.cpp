#include "core/cascade/Lexicon.h"

#include <initializer_list>
#include <unordered_map>

namespace qm::cascade {

namespace {

struct Group {
    std::uint32_t classes;
    std::initializer_list<std::string_view> words;
};

using Table = std::unordered_map<std::string_view, std::uint32_t>;

Table buildTable() {
    const Group groups[] = {
        {kDeterminer,
         {"the",  "a",    "an",   "this",    "that",  "these", "those",    "my",     "your",
          "his",  "her",  "its",  "our",     "their", "no",    "every",    "each",   "some",
          "any",  "all",  "both", "another", "such",  "what",  "whatever", "either", "neither",
          "many", "much", "few",  "several", "thy",   "thine", "one",      "two",    "three"}},
        {kPreposition,
         {"of",      "in",      "on",      "at",      "to",         "from",    "with",
          "by",      "into",    "onto",    "over",    "under",      "through", "across",
          "behind",  "beside",  "between", "among",   "amongst",    "upon",    "toward",
          "towards", "against", "without", "within",  "about",      "around",  "along",
          "past",    "for",     "like",    "near",    "beyond",     "beneath", "below",
          "above",   "during",  "inside",  "outside", "throughout", "except",  "underneath",
          "amid"}},
        {kSubordinator,
         {"because", "although", "though", "when", "whenever", "while", "whilst", "if", "unless",
          "until", "till", "since", "after", "before", "as", "whereas", "wherever", "lest"}},
        {kRelative, {"who", "whom", "whose", "which", "that", "where"}},
        {kCoordinator, {"and", "but", "or", "so", "yet", "nor"}},
        {kSubject,
         {"i",         "you",      "he",      "she",      "it",      "we",         "they",
          "there",     "i'm",      "i'd",     "i'll",     "i've",    "you're",     "you'd",
          "you'll",    "you've",   "he's",    "he'd",     "he'll",   "she's",      "she'd",
          "she'll",    "it's",     "it'd",    "it'll",    "we're",   "we'd",       "we'll",
          "we've",     "they're",  "they'd",  "they'll",  "they've", "there's",    "nobody",
          "everybody", "everyone", "someone", "somebody", "nothing", "everything", "something",
          "hers",      "mine",     "yours",   "ours",     "theirs"}},
        {kObject,
         {"me", "him", "her", "us", "them", "it", "you", "himself", "herself", "itself",
          "themselves", "myself", "yourself", "ourselves"}},
        {kAuxiliary,
         {"is",      "was",       "were",   "are",     "am",       "be",      "been",
          "being",   "has",       "have",   "had",     "do",       "does",    "did",
          "will",    "would",     "shall",  "should",  "can",      "could",   "may",
          "might",   "must",      "wasn't", "weren't", "isn't",    "aren't",  "hasn't",
          "haven't", "hadn't",    "don't",  "doesn't", "didn't",   "won't",   "wouldn't",
          "shan't",  "shouldn't", "can't",  "cannot",  "couldn't", "mustn't", "ought"}},
        {kModal,
         {"do",       "does",   "did",       "will",  "would",  "shall",    "should", "can",
          "could",    "may",    "might",     "must",  "don't",  "doesn't",  "didn't", "won't",
          "wouldn't", "shan't", "shouldn't", "can't", "cannot", "couldn't", "mustn't"}},
        {kVerb,
         {"arose",   "ate",    "awoke",  "became", "began",      "begun",   "bent",    "bit",
          "blew",    "bore",   "bought", "broke",  "broken",     "brought", "built",   "burnt",
          "came",    "caught", "chose",  "chosen", "clung",      "crept",   "dealt",   "done",
          "drank",   "drew",   "drawn",  "drove",  "driven",     "dwelt",   "fed",     "fell",
          "fallen",  "felt",   "fled",   "flew",   "flown",      "flung",   "forgot",  "forgotten",
          "forgave", "found",  "froze",  "frozen", "gave",       "given",   "got",     "gone",
          "grew",    "grown",  "heard",  "held",   "hid",        "hidden",  "hung",    "kept",
          "knelt",   "knew",   "known",  "laid",   "led",        "leapt",   "learnt",  "lent",
          "lit",     "lost",   "made",   "meant",  "met",        "paid",    "ran",     "rang",
          "rode",    "sang",   "sank",   "sat",    "saw",        "seen",    "said",    "sent",
          "shook",   "shone",  "shot",   "slept",  "slid",       "sought",  "spoke",   "spoken",
          "spent",   "sprang", "stood",  "stole",  "stolen",     "struck",  "stuck",   "swam",
          "swept",   "swore",  "swung",  "taught", "tore",       "torn",    "thought", "threw",
          "thrown",  "told",   "took",   "taken",  "understood", "woke",    "wept",    "went",
          "won",     "wore",   "worn",   "wrote",  "written",    "says",    "goes",    "comes",
          "seemed",  "looked", "seems",  "looks",  "knows",      "thinks",  "shows",   "shown"}},
        {kAdverb, {"not",      "never",    "only",   "always", "also",  "just",   "still",
                   "already",  "often",    "soon",   "even",   "quite", "really", "almost",
                   "hardly",   "scarcely", "ever",   "once",   "then",  "now",    "nearly",
                   "suddenly", "quickly",  "slowly", "simply"}},
        {kTitle | kAbbreviation,
         {"mr",  "mrs", "ms", "dr",  "st",     "mt",  "jr",  "sr", "prof", "rev", "capt",
          "col", "gen", "lt", "sgt", "messrs", "hon", "gov", "fr", "mme",  "mlle"}},
        {kAbbreviation,
         {"e.g", "i.e", "etc", "vs", "cf", "viz", "ibid", "approx", "vol", "ch", "fig", "pp"}},
    };
    Table table;
    for (const Group& g : groups) {
        for (std::string_view w : g.words)
            table[w] |= g.classes;
    }
    return table;
}

} // namespace

std::uint32_t wordClasses(std::string_view lowerWord) {
    static const Table table = buildTable();
    const auto it = table.find(lowerWord);
    return it == table.end() ? 0 : it->second;
}

} // namespace qm::cascade

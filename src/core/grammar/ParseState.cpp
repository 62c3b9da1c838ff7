#include "core/grammar/ParseState.h"

namespace qm::grammar {
namespace {

constexpr std::uint32_t kTagNone = kUposCount;
constexpr std::uint32_t kTagRoot = kUposCount + 1;
constexpr std::uint32_t kLabelNone = kRelCount;
const std::uint64_t kWordNone = mix64(0x90e00001);
const std::uint64_t kWordRoot = mix64(0x90e00002);
constexpr std::uint64_t kFineBase = 1024;

std::uint32_t distanceBucket(std::int32_t a, std::int32_t b) {
    if (a < 0 || b < 0) return 0;
    const std::int32_t d = b - a;
    if (d <= 4) return static_cast<std::uint32_t>(d);
    return d < 10 ? 5 : 6;
}

} // namespace

void ParseState::reset(std::size_t n) {
    m_n = n;
    m_next = 0;
    m_stack.clear();
    m_head.assign(n + 1, kNone);
    m_label.assign(n + 1, static_cast<std::uint8_t>(kLabelNone));
    m_left1.assign(n + 1, kNone);
    m_left2.assign(n + 1, kNone);
    m_right1.assign(n + 1, kNone);
    m_right2.assign(n + 1, kNone);
    m_leftCount.assign(n + 1, 0);
    m_rightCount.assign(n + 1, 0);
    m_leftLabels.assign(n + 1, 0);
    m_rightLabels.assign(n + 1, 0);
}

bool ParseState::valid(Move m) const {
    switch (m) {
    case Move::Shift:
        return m_next < m_n;
    case Move::Right:
        return m_stack.size() >= 2;
    case Move::Left:
        // The root token takes one word only: the last one left on the stack.
        return !m_stack.empty() && (m_next < m_n || m_stack.size() == 1);
    }
    return false;
}

void ParseState::apply(Move m, Rel rel) {
    if (m == Move::Shift) {
        m_stack.push_back(static_cast<std::int32_t>(m_next++));
        return;
    }
    const std::int32_t child = m_stack.back();
    m_stack.pop_back();
    const auto label = static_cast<std::uint8_t>(rel);
    const auto c = static_cast<std::size_t>(child);
    m_label[c] = label;
    if (m == Move::Left) {
        const auto h = m_next;
        m_head[c] = static_cast<std::int32_t>(h);
        m_left2[h] = m_left1[h];
        m_left1[h] = child;
        if (m_leftCount[h] < 255) ++m_leftCount[h];
        m_leftLabels[h] |= std::uint64_t{1} << label;
    } else {
        const auto h = static_cast<std::size_t>(m_stack.back());
        m_head[c] = static_cast<std::int32_t>(h);
        m_right2[h] = m_right1[h];
        m_right1[h] = child;
        if (m_rightCount[h] < 255) ++m_rightCount[h];
        m_rightLabels[h] |= std::uint64_t{1} << label;
    }
}

// What the feature templates read of a token: its word, tag, relation, children, valencies
// and relation sets, with fixed values for "no token" and the root token.
struct StateView {
    const ParseState& st;
    const Lexeme* lex;
    const Upos* tags;
    std::int32_t n;

    std::uint64_t word(std::int32_t t) const {
        if (t < 0) return kWordNone;
        return t == n ? kWordRoot : lex[t].word;
    }
    std::uint64_t tag(std::int32_t t) const {
        if (t < 0) return kTagNone;
        return t == n ? kTagRoot : static_cast<std::uint64_t>(tags[t]);
    }
    // The tag refined by the word's form class; "no token" and the root as tag() gives them.
    std::uint64_t fine(std::int32_t t) const {
        if (t < 0 || t == n) return tag(t);
        return kFineBase + static_cast<std::uint64_t>(tags[t]) * 64 + lex[t].form;
    }
    std::uint64_t lab(std::int32_t t) const {
        return t < 0 ? kLabelNone : st.m_label[static_cast<std::size_t>(t)];
    }
    static std::int32_t kid(const std::vector<std::int32_t>& v, std::int32_t t) {
        return t < 0 ? ParseState::kNone : v[static_cast<std::size_t>(t)];
    }
    static std::uint64_t count(const std::vector<std::uint8_t>& v, std::int32_t t) {
        if (t < 0) return 15;
        const std::uint8_t c = v[static_cast<std::size_t>(t)];
        return c < 7 ? c : 7;
    }
    static std::uint64_t labels(const std::vector<std::uint64_t>& v, std::int32_t t) {
        return t < 0 ? ~std::uint64_t{0} : v[static_cast<std::size_t>(t)];
    }
};

void ParseState::roleTokens(std::int32_t* out) const {
    const auto n = static_cast<std::int32_t>(m_n);
    const std::int32_t s0 = stackAt(0), s1 = stackAt(1);
    const auto n0 = static_cast<std::int32_t>(m_next);
    auto kid = StateView::kid;
    out[static_cast<std::size_t>(Role::S0)] = s0;
    out[static_cast<std::size_t>(Role::S1)] = s1;
    out[static_cast<std::size_t>(Role::S2)] = stackAt(2);
    out[static_cast<std::size_t>(Role::N0)] = n0;
    out[static_cast<std::size_t>(Role::N1)] = n0 + 1 <= n ? n0 + 1 : kNone;
    out[static_cast<std::size_t>(Role::N2)] = n0 + 2 <= n ? n0 + 2 : kNone;
    out[static_cast<std::size_t>(Role::N3)] = n0 + 3 <= n ? n0 + 3 : kNone;
    out[static_cast<std::size_t>(Role::S0L1)] = kid(m_left1, s0);
    out[static_cast<std::size_t>(Role::S0R1)] = kid(m_right1, s0);
    out[static_cast<std::size_t>(Role::N0L1)] = kid(m_left1, n0);
    out[static_cast<std::size_t>(Role::S1R1)] = kid(m_right1, s1);
    out[static_cast<std::size_t>(Role::S0L2)] = kid(m_left2, s0);
    out[static_cast<std::size_t>(Role::S0R2)] = kid(m_right2, s0);
    out[static_cast<std::size_t>(Role::N0L2)] = kid(m_left2, n0);
}

std::size_t ParseState::roleFeatures(Role role, std::int32_t t, const Lexeme* lex, const Upos* tags,
                                     std::uint32_t* out) const {
    const StateView v{*this, lex, tags, static_cast<std::int32_t>(m_n)};
    // Word, tag and word-with-tag under three template numbers.
    auto wordTag = [&](std::uint32_t tw, std::uint32_t tp, std::uint32_t twp) {
        const std::uint64_t w = v.word(t), p = v.tag(t);
        out[0] = feature(tw, w);
        out[1] = feature(tp, v.fine(t));
        out[2] = feature(twp, mix64(w + p));
        return std::size_t{3};
    };
    // The last three letters and the shape of a word, for words too rare to have weights.
    auto spelling = [&](std::size_t k, std::uint32_t first) {
        const bool real = t >= 0 && t < v.n;
        out[k] = feature(first, real ? lex[t].suffix[2] : v.word(t));
        out[k + 1] = feature(first + 1, real ? lex[t].shape : v.word(t));
        return k + 2;
    };
    // A child's word, tag and relation.
    auto child = [&](std::uint32_t first) {
        out[0] = feature(first, v.word(t));
        out[1] = feature(first + 1, v.fine(t));
        out[2] = feature(first + 2, v.lab(t));
        return std::size_t{3};
    };
    switch (role) {
    case Role::S0:
        return spelling(wordTag(0, 1, 2), 94);
    case Role::S1:
        return wordTag(3, 4, 5);
    case Role::S2:
        out[0] = feature(6, v.fine(t));
        out[1] = feature(7, v.word(t));
        return 2;
    case Role::N0:
        return spelling(wordTag(8, 9, 10), 96);
    case Role::N1:
        return wordTag(11, 12, 13);
    case Role::N2:
        out[0] = feature(14, v.word(t));
        out[1] = feature(15, v.fine(t));
        return 2;
    case Role::N3:
        out[0] = feature(86, v.word(t));
        out[1] = feature(87, v.fine(t));
        return 2;
    case Role::S0L1:
        return child(62);
    case Role::S0R1:
        return child(65);
    case Role::N0L1:
        return child(68);
    case Role::S1R1:
        return child(71);
    case Role::S0L2:
        out[0] = feature(74, v.lab(t));
        out[1] = feature(88, v.word(t));
        out[2] = feature(89, v.fine(t));
        return 3;
    case Role::S0R2:
        out[0] = feature(75, v.lab(t));
        out[1] = feature(90, v.word(t));
        out[2] = feature(91, v.fine(t));
        return 3;
    case Role::N0L2:
        out[0] = feature(76, v.lab(t));
        out[1] = feature(92, v.word(t));
        out[2] = feature(93, v.fine(t));
        return 3;
    }
    return 0;
}

void ParseState::moveFeatures(const Lexeme* lex, const Upos* tags, std::uint32_t* out) const {
    std::int32_t tokens[kRoleCount];
    roleTokens(tokens);
    std::size_t k = 0;
    for (std::size_t r = 0; r < kRoleCount; ++r)
        k += roleFeatures(static_cast<Role>(r), tokens[r], lex, tags, out + k);
    std::uint32_t values[3 * kSmallFeatureCount];
    smallValues(tags, values);
    for (std::size_t t = 0; t < kSmallFeatureCount; ++t)
        out[k++] = smallFeatureKey(kSmallTemplates[t], values + 3 * t);
    pairFeatures(lex, tags, out + k);
}

void ParseState::pairFeatures(const Lexeme* lex, const Upos* tags, std::uint32_t* out) const {
    const StateView v{*this, lex, tags, static_cast<std::int32_t>(m_n)};
    auto word = [&](std::int32_t t) { return v.word(t); };
    auto tag = [&](std::int32_t t) { return v.tag(t); };
    auto lab = [&](std::int32_t t) { return v.lab(t); };
    auto kid = StateView::kid;
    auto count = StateView::count;
    auto labels = StateView::labels;
    const std::int32_t s0 = stackAt(0), s1 = stackAt(1);
    const auto n0 = static_cast<std::int32_t>(m_next);
    const std::int32_t s0l1 = kid(m_left1, s0), s0r1 = kid(m_right1, s0);

    const std::uint64_t s0w = word(s0), s1w = word(s1);
    const std::uint64_t n0w = word(n0);
    const std::uint64_t s0p = tag(s0), s1p = tag(s1), n0p = tag(n0);
    const std::uint64_t s0wp = mix64(s0w + s0p), s1wp = mix64(s1w + s1p);
    const std::uint64_t n0wp = mix64(n0w + n0p);
    const std::uint64_t s0f = v.fine(s0), s1f = v.fine(s1), n0f = v.fine(n0);
    const std::uint64_t n1f = v.fine(n0 + 1 <= v.n ? n0 + 1 : kNone);
    const std::uint64_t d0 = distanceBucket(s0, n0), d1 = distanceBucket(s1, s0);
    const std::uint64_t s0vl = count(m_leftCount, s0), s0vr = count(m_rightCount, s0);
    const std::uint64_t n0vl = count(m_leftCount, n0), s1vr = count(m_rightCount, s1);
    const std::uint64_t s0sl = labels(m_leftLabels, s0), s0sr = labels(m_rightLabels, s0);
    const std::uint64_t n0sl = labels(m_leftLabels, n0), s1sr = labels(m_rightLabels, s1);

    std::uint32_t k = 0;
    // Pairs of words.
    out[k++] = feature(16, s0wp, n0wp);
    out[k++] = feature(17, s0wp, n0w);
    out[k++] = feature(18, s0w, n0wp);
    out[k++] = feature(19, s0wp, n0f);
    out[k++] = feature(20, s0f, n0wp);
    out[k++] = feature(21, s0w, n0w);
    out[k++] = feature(24, s1wp, s0wp);
    out[k++] = feature(25, s1w, s0w);
    out[k++] = feature(27, s1wp, s0f);
    out[k++] = feature(28, s1f, s0wp);
    out[k++] = feature(29, s1w, n0w);
    // Distances.
    out[k++] = feature(45, s0w, d0);
    out[k++] = feature(47, n0w, d0);
    out[k++] = feature(49, s0w, n0w, d0);
    out[k++] = feature(52, s1w, d1);
    out[k++] = feature(53, s0w, d1);
    // Valencies.
    out[k++] = feature(54, s0w, s0vr);
    out[k++] = feature(56, s0w, s0vl);
    out[k++] = feature(58, n0w, n0vl);
    out[k++] = feature(60, s1w, s1vr);
    // Sets of relations already attached.
    out[k++] = feature(77, s0w, s0sr);
    out[k++] = feature(78, s0f, s0sr);
    out[k++] = feature(79, s0w, s0sl);
    out[k++] = feature(80, s0f, s0sl);
    out[k++] = feature(81, n0w, n0sl);
    out[k++] = feature(82, n0f, n0sl);
    out[k++] = feature(83, s1f, s1sr);
    out[k++] = feature(84, s0f, lab(s0l1), lab(s0r1));
    // Finer tags together: a participle, a plural or a wh-word against its neighbours.
    out[k++] = feature(126, s0f, n0f);
    out[k++] = feature(127, s1f, s0f, n0f);
    out[k++] = feature(128, s0f, n0f, n1f);
}

const SmallTemplate kSmallTemplates[kSmallFeatureCount] = {
    {22, 2, {kTags, kTags, 1}},          {23, 2, {kTags, kTags, 1}},
    {26, 2, {kTags, kTags, 1}},          {30, 2, {kTags, kTags, 1}},
    {31, 3, {kTags, kTags, kTags}},      {32, 3, {kTags, kTags, kTags}},
    {33, 3, {kTags, kTags, kTags}},      {34, 3, {kTags, kTags, kTags}},
    {35, 3, {kTags, kTags, kTags}},      {36, 3, {kTags, kTags, kTags}},
    {37, 3, {kTags, kTags, kTags}},      {38, 3, {kTags, kTags, kTags}},
    {39, 3, {kTags, kTags, kTags}},      {40, 3, {kTags, kTags, kTags}},
    {41, 3, {kTags, kTags, kTags}},      {42, 3, {kTags, kTags, kTags}},
    {43, 3, {kTags, kTags, kTags}},      {44, 3, {kTags, kTags, kTags}},
    {46, 2, {kTags, kDistances, 1}},     {48, 2, {kTags, kDistances, 1}},
    {50, 3, {kTags, kTags, kDistances}}, {51, 3, {kTags, kTags, kDistances}},
    {55, 2, {kTags, kCounts, 1}},        {57, 2, {kTags, kCounts, 1}},
    {59, 2, {kTags, kCounts, 1}},        {61, 2, {kTags, kCounts, 1}},
    {98, 3, {kTags, kTags, kTags}},      {99, 3, {kTags, kTags, kTags}},
};

std::uint32_t smallFeatureKey(const SmallTemplate& t, const std::uint32_t* v) {
    return t.arity == 2 ? feature(t.id, v[0], v[1]) : feature(t.id, v[0], v[1], v[2]);
}

void ParseState::smallValues(const Upos* tags, std::uint32_t* out) const {
    const StateView v{*this, nullptr, tags, static_cast<std::int32_t>(m_n)};
    const std::int32_t n = v.n;
    auto tag = [&](std::int32_t t) { return static_cast<std::uint32_t>(v.tag(t)); };
    auto kid = StateView::kid;
    auto count = [](const std::vector<std::uint8_t>& c, std::int32_t t) {
        return static_cast<std::uint32_t>(StateView::count(c, t));
    };
    const std::int32_t s0 = stackAt(0), s1 = stackAt(1), s2 = stackAt(2);
    const auto n0 = static_cast<std::int32_t>(m_next);
    const std::int32_t n1 = n0 + 1 <= n ? n0 + 1 : kNone;
    const std::int32_t n2 = n0 + 2 <= n ? n0 + 2 : kNone;
    const std::int32_t n3 = n0 + 3 <= n ? n0 + 3 : kNone;
    const std::int32_t s0l1 = kid(m_left1, s0), s0l2 = kid(m_left2, s0);
    const std::int32_t s0r1 = kid(m_right1, s0), s0r2 = kid(m_right2, s0);
    const std::int32_t n0l1 = kid(m_left1, n0), n0l2 = kid(m_left2, n0);
    const std::int32_t s1r1 = kid(m_right1, s1);
    const std::uint32_t s0p = tag(s0), s1p = tag(s1), s2p = tag(s2);
    const std::uint32_t n0p = tag(n0), n1p = tag(n1), n2p = tag(n2);
    const std::uint32_t d0 = distanceBucket(s0, n0), d1 = distanceBucket(s1, s0);
    const std::uint32_t s0vl = count(m_leftCount, s0), s0vr = count(m_rightCount, s0);
    const std::uint32_t n0vl = count(m_leftCount, n0), s1vr = count(m_rightCount, s1);
    std::size_t k = 0;
    auto put = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c) {
        out[k++] = a;
        out[k++] = b;
        out[k++] = c;
    };
    put(s0p, n0p, 0);               // 22
    put(n0p, n1p, 0);               // 23
    put(s1p, s0p, 0);               // 26
    put(s1p, n0p, 0);               // 30
    put(n0p, n1p, n2p);             // 31
    put(s0p, n0p, n1p);             // 32
    put(s1p, s0p, n0p);             // 33
    put(s2p, s1p, s0p);             // 34
    put(s0p, tag(s0l1), n0p);       // 35
    put(s0p, tag(s0r1), n0p);       // 36
    put(s0p, n0p, tag(n0l1));       // 37
    put(s1p, tag(s1r1), s0p);       // 38
    put(s1p, s0p, tag(s0l1));       // 39
    put(s1p, s0p, tag(s0r1));       // 40
    put(s0p, tag(s0l1), tag(s0l2)); // 41
    put(s0p, tag(s0r1), tag(s0r2)); // 42
    put(n0p, tag(n0l1), tag(n0l2)); // 43
    put(s1p, s0p, n1p);             // 44
    put(s0p, d0, 0);                // 46
    put(n0p, d0, 0);                // 48
    put(s0p, n0p, d0);              // 50
    put(s1p, s0p, d1);              // 51
    put(s0p, s0vr, 0);              // 55
    put(s0p, s0vl, 0);              // 57
    put(n0p, n0vl, 0);              // 59
    put(s1p, s1vr, 0);              // 61
    put(n1p, n2p, tag(n3));         // 98
    put(s2p, s0p, n0p);             // 99
}

void ParseState::labelFeatures(Move m, const Lexeme* lex, const Upos* tags,
                               std::uint32_t* out) const {
    if (m == Move::Left) {
        labelFeaturesOf<Move::Left>(lex, tags, out);
    } else {
        labelFeaturesOf<Move::Right>(lex, tags, out);
    }
}

// The move is a template argument: the direction opens most keys, and a constant there lets
// the compiler do the first step of their hashing.
template <Move m>
void ParseState::labelFeaturesOf(const Lexeme* lex, const Upos* tags, std::uint32_t* out) const {
    const StateView v{*this, lex, tags, static_cast<std::int32_t>(m_n)};
    const std::int32_t d = stackAt(0);
    const std::int32_t h = m == Move::Left ? static_cast<std::int32_t>(m_next) : stackAt(1);
    constexpr std::uint64_t dir = m == Move::Left ? 1 : 2;
    const std::uint64_t dw = v.word(d), dp = v.tag(d), hw = v.word(h), hp = v.tag(h);
    const std::uint64_t df = v.fine(d), hf = v.fine(h);
    const std::uint64_t dwp = mix64(dw + dp), hwp = mix64(hw + hp);
    const std::int32_t dl1 = StateView::kid(m_left1, d), dr1 = StateView::kid(m_right1, d);
    const std::int32_t hl1 = StateView::kid(m_left1, h), hr1 = StateView::kid(m_right1, h);
    const std::uint64_t dist = m == Move::Left ? distanceBucket(d, h) : distanceBucket(h, d);
    const std::uint64_t dirDp = mix64(dir * 31 + dp);
    const std::int32_t before = d > 0 ? d - 1 : ParseState::kNone;
    const std::int32_t after = d + 1 < v.n ? d + 1 : ParseState::kNone;

    std::uint32_t k = 0;
    out[k++] = feature(100, dir);
    out[k++] = feature(101, dir, dw);
    out[k++] = feature(102, dir, df);
    out[k++] = feature(103, dir, dwp);
    out[k++] = feature(104, dir, hw);
    out[k++] = feature(105, dir, hf);
    out[k++] = feature(106, dir, hwp);
    out[k++] = feature(107, dir, hf, df);
    out[k++] = feature(108, dir, hw, df);
    out[k++] = feature(109, dir, hf, dw);
    out[k++] = feature(110, dir, hw, dw);
    out[k++] = feature(111, dirDp, hp, dist);
    out[k++] = feature(112, dirDp, StateView::labels(m_leftLabels, d));
    out[k++] = feature(113, dirDp, StateView::labels(m_rightLabels, d));
    out[k++] = feature(114, dir, v.lab(dl1), v.lab(dr1));
    out[k++] = feature(115, dir, v.word(dl1));
    out[k++] = feature(116, dir, v.word(dr1));
    out[k++] = feature(117, dir, hp, v.lab(hl1));
    out[k++] = feature(118, dir, hp, v.lab(hr1));
    out[k++] = feature(119, dirDp,
                       StateView::labels(m_leftLabels, h) | StateView::labels(m_rightLabels, h));
    out[k++] = feature(120, dirDp, v.tag(after));
    out[k++] = feature(121, dirDp, v.tag(before));
    out[k++] = feature(122, dirDp, v.tag(dl1));
    out[k++] = feature(123, dirDp, v.tag(dr1));
    out[k++] =
        feature(124, dirDp, StateView::count(m_leftCount, d), StateView::count(m_rightCount, d));
    out[k++] = feature(125, dir, dw, hp);
}

} // namespace qm::grammar

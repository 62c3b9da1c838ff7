#include "core/grammar/ParseState.h"

namespace qm::grammar {
namespace {

constexpr std::uint32_t kTagNone = kUposCount;
constexpr std::uint32_t kTagRoot = kUposCount + 1;
constexpr std::uint32_t kLabelNone = kRelCount;
const std::uint64_t kWordNone = mix64(0x90e00001);
const std::uint64_t kWordRoot = mix64(0x90e00002);

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

void ParseState::moveFeatures(const Lexeme* lex, const Upos* tags, std::uint32_t* out) const {
    const StateView v{*this, lex, tags, static_cast<std::int32_t>(m_n)};
    const std::int32_t n = v.n;
    auto word = [&](std::int32_t t) { return v.word(t); };
    auto tag = [&](std::int32_t t) { return v.tag(t); };
    auto lab = [&](std::int32_t t) { return v.lab(t); };
    auto kid = StateView::kid;
    auto count = StateView::count;
    auto labels = StateView::labels;
    const std::int32_t s0 = stackAt(0), s1 = stackAt(1), s2 = stackAt(2);
    const auto n0 = static_cast<std::int32_t>(m_next);
    const std::int32_t n1 = n0 + 1 <= n ? n0 + 1 : kNone;
    const std::int32_t n2 = n0 + 2 <= n ? n0 + 2 : kNone;
    const std::int32_t s0l1 = kid(m_left1, s0), s0l2 = kid(m_left2, s0);
    const std::int32_t s0r1 = kid(m_right1, s0), s0r2 = kid(m_right2, s0);
    const std::int32_t n0l1 = kid(m_left1, n0), n0l2 = kid(m_left2, n0);
    const std::int32_t s1r1 = kid(m_right1, s1);

    const std::uint64_t s0w = word(s0), s1w = word(s1), s2w = word(s2);
    const std::uint64_t n0w = word(n0), n1w = word(n1), n2w = word(n2);
    const std::uint64_t s0p = tag(s0), s1p = tag(s1), s2p = tag(s2);
    const std::uint64_t n0p = tag(n0), n1p = tag(n1), n2p = tag(n2);
    const std::uint64_t s0wp = mix64(s0w + s0p), s1wp = mix64(s1w + s1p);
    const std::uint64_t n0wp = mix64(n0w + n0p), n1wp = mix64(n1w + n1p);
    const std::uint64_t d0 = distanceBucket(s0, n0), d1 = distanceBucket(s1, s0);
    const std::uint64_t s0vl = count(m_leftCount, s0), s0vr = count(m_rightCount, s0);
    const std::uint64_t n0vl = count(m_leftCount, n0), s1vr = count(m_rightCount, s1);
    const std::uint64_t s0sl = labels(m_leftLabels, s0), s0sr = labels(m_rightLabels, s0);
    const std::uint64_t n0sl = labels(m_leftLabels, n0), s1sr = labels(m_rightLabels, s1);

    std::uint32_t k = 0;
    // Single words.
    out[k++] = feature(0, s0w);
    out[k++] = feature(1, s0p);
    out[k++] = feature(2, s0wp);
    out[k++] = feature(3, s1w);
    out[k++] = feature(4, s1p);
    out[k++] = feature(5, s1wp);
    out[k++] = feature(6, s2p);
    out[k++] = feature(7, s2w);
    out[k++] = feature(8, n0w);
    out[k++] = feature(9, n0p);
    out[k++] = feature(10, n0wp);
    out[k++] = feature(11, n1w);
    out[k++] = feature(12, n1p);
    out[k++] = feature(13, n1wp);
    out[k++] = feature(14, n2w);
    out[k++] = feature(15, n2p);
    // Pairs of words.
    out[k++] = feature(16, s0wp, n0wp);
    out[k++] = feature(17, s0wp, n0w);
    out[k++] = feature(18, s0w, n0wp);
    out[k++] = feature(19, s0wp, n0p);
    out[k++] = feature(20, s0p, n0wp);
    out[k++] = feature(21, s0w, n0w);
    out[k++] = feature(22, s0p, n0p);
    out[k++] = feature(23, n0p, n1p);
    out[k++] = feature(24, s1wp, s0wp);
    out[k++] = feature(25, s1w, s0w);
    out[k++] = feature(26, s1p, s0p);
    out[k++] = feature(27, s1wp, s0p);
    out[k++] = feature(28, s1p, s0wp);
    out[k++] = feature(29, s1w, n0w);
    out[k++] = feature(30, s1p, n0p);
    // Tag triples.
    out[k++] = feature(31, n0p, n1p, n2p);
    out[k++] = feature(32, s0p, n0p, n1p);
    out[k++] = feature(33, s1p, s0p, n0p);
    out[k++] = feature(34, s2p, s1p, s0p);
    out[k++] = feature(35, s0p, tag(s0l1), n0p);
    out[k++] = feature(36, s0p, tag(s0r1), n0p);
    out[k++] = feature(37, s0p, n0p, tag(n0l1));
    out[k++] = feature(38, s1p, tag(s1r1), s0p);
    out[k++] = feature(39, s1p, s0p, tag(s0l1));
    out[k++] = feature(40, s1p, s0p, tag(s0r1));
    out[k++] = feature(41, s0p, tag(s0l1), tag(s0l2));
    out[k++] = feature(42, s0p, tag(s0r1), tag(s0r2));
    out[k++] = feature(43, n0p, tag(n0l1), tag(n0l2));
    out[k++] = feature(44, s1p, s0p, n1p);
    // Distances.
    out[k++] = feature(45, s0w, d0);
    out[k++] = feature(46, s0p, d0);
    out[k++] = feature(47, n0w, d0);
    out[k++] = feature(48, n0p, d0);
    out[k++] = feature(49, s0w, n0w, d0);
    out[k++] = feature(50, s0p, n0p, d0);
    out[k++] = feature(51, s1p, s0p, d1);
    out[k++] = feature(52, s1w, d1);
    out[k++] = feature(53, s0w, d1);
    // Valencies.
    out[k++] = feature(54, s0w, s0vr);
    out[k++] = feature(55, s0p, s0vr);
    out[k++] = feature(56, s0w, s0vl);
    out[k++] = feature(57, s0p, s0vl);
    out[k++] = feature(58, n0w, n0vl);
    out[k++] = feature(59, n0p, n0vl);
    out[k++] = feature(60, s1w, s1vr);
    out[k++] = feature(61, s1p, s1vr);
    // Children at the edges.
    out[k++] = feature(62, word(s0l1));
    out[k++] = feature(63, tag(s0l1));
    out[k++] = feature(64, lab(s0l1));
    out[k++] = feature(65, word(s0r1));
    out[k++] = feature(66, tag(s0r1));
    out[k++] = feature(67, lab(s0r1));
    out[k++] = feature(68, word(n0l1));
    out[k++] = feature(69, tag(n0l1));
    out[k++] = feature(70, lab(n0l1));
    out[k++] = feature(71, word(s1r1));
    out[k++] = feature(72, tag(s1r1));
    out[k++] = feature(73, lab(s1r1));
    out[k++] = feature(74, lab(s0l2));
    out[k++] = feature(75, lab(s0r2));
    out[k++] = feature(76, lab(n0l2));
    // Sets of relations already attached.
    out[k++] = feature(77, s0w, s0sr);
    out[k++] = feature(78, s0p, s0sr);
    out[k++] = feature(79, s0w, s0sl);
    out[k++] = feature(80, s0p, s0sl);
    out[k++] = feature(81, n0w, n0sl);
    out[k++] = feature(82, n0p, n0sl);
    out[k++] = feature(83, s1p, s1sr);
    out[k++] = feature(84, s0p, lab(s0l1), lab(s0r1));
}

void ParseState::labelFeatures(Move m, const Lexeme* lex, const Upos* tags,
                               std::uint32_t* out) const {
    const StateView v{*this, lex, tags, static_cast<std::int32_t>(m_n)};
    const std::int32_t d = stackAt(0);
    const std::int32_t h = m == Move::Left ? static_cast<std::int32_t>(m_next) : stackAt(1);
    const std::uint64_t dir = m == Move::Left ? 1 : 2;
    const std::uint64_t dw = v.word(d), dp = v.tag(d), hw = v.word(h), hp = v.tag(h);
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
    out[k++] = feature(102, dir, dp);
    out[k++] = feature(103, dir, dwp);
    out[k++] = feature(104, dir, hw);
    out[k++] = feature(105, dir, hp);
    out[k++] = feature(106, dir, hwp);
    out[k++] = feature(107, dir, hp, dp);
    out[k++] = feature(108, dir, hw, dp);
    out[k++] = feature(109, dir, hp, dw);
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

#include "core/grammar/Parser.h"

#include <algorithm>
#include <array>
#include <vector>

namespace qm::grammar {
namespace {

// Scores of the role features of each token in each role, filled as the parse first needs
// them: a token keeps its word, tag and (once attached) relation, so the features it gives a
// role never change within a sentence. Index: (token + 1) * kRoleCount + role, token -1 being
// "no token" and n the root token.
struct RoleScores {
    std::vector<std::array<std::int32_t, kMoveCount>> score;
    std::vector<std::uint8_t> known;

    void reset(std::size_t n) {
        score.resize((n + 2) * kRoleCount);
        known.assign((n + 2) * kRoleCount, 0);
    }
};

RoleScores& roleScores() {
    thread_local RoleScores s;
    return s;
}

// Nearly every token of a sentence passes through the buffer's first four places and the
// stack's top three: the features of those roles are scored for all tokens up front, in
// batches whose weight fetches overlap, instead of one role at a time as the parse reaches it.
void scoreStackAndBufferRoles(const InlineTable& moves, const Lexeme* lex, const Upos* tags,
                              std::size_t n, const ParseState& state, RoleScores& roles) {
    static constexpr Role kRoles[] = {Role::S0, Role::S1, Role::S2, Role::N0,
                                      Role::N1, Role::N2, Role::N3};
    constexpr std::size_t kBatch = InlineTable::kMaxBatch;
    std::uint32_t keys[kBatch];
    std::size_t owner[kBatch];
    std::int32_t weights[kBatch * InlineTable::kMaxClasses];
    std::size_t count = 0;
    auto flush = [&] {
        moves.weightsOf(keys, count, weights);
        for (std::size_t i = 0; i < count; ++i)
            for (std::size_t c = 0; c < kMoveCount; ++c)
                roles.score[owner[i]][c] += weights[i * InlineTable::kMaxClasses + c];
        count = 0;
    };
    std::uint32_t features[kMaxRoleFeatures];
    for (std::size_t t = 0; t <= n; ++t) {
        for (const Role role : kRoles) {
            // The root token is never on the stack.
            if (t == n && (role == Role::S0 || role == Role::S1 || role == Role::S2)) continue;
            const std::size_t at = (t + 1) * kRoleCount + static_cast<std::size_t>(role);
            roles.score[at].fill(0);
            roles.known[at] = 1;
            const std::size_t k =
                state.roleFeatures(role, static_cast<std::int32_t>(t), lex, tags, features);
            if (count + k > kBatch) flush();
            for (std::size_t f = 0; f < k; ++f) {
                keys[count] = features[f];
                owner[count++] = at;
            }
        }
    }
    flush();
}

std::size_t smallIndex(const SmallTemplate& t, const std::uint32_t* v) {
    return (std::size_t{v[0]} * t.size[1] + v[1]) * t.size[2] + v[2];
}

} // namespace

Parser::Parser()
    : m_moves(kMoveCount, 1.0F, {})
    , m_labels(kRelCount, 1.0F, {}) {
    flattenSmallTemplates();
}

Parser::Parser(InlineTable moves, WeightTable labels)
    : m_moves(std::move(moves))
    , m_labels(std::move(labels)) {
    flattenSmallTemplates();
}

void Parser::flattenSmallTemplates() {
    std::size_t total = 0;
    for (std::size_t t = 0; t < kSmallFeatureCount; ++t) {
        m_smallStart[t] = total;
        const SmallTemplate& st = kSmallTemplates[t];
        total += std::size_t{st.size[0]} * st.size[1] * st.size[2];
    }
    m_small.assign(total, {});
    for (std::size_t t = 0; t < kSmallFeatureCount; ++t) {
        const SmallTemplate& st = kSmallTemplates[t];
        std::uint32_t v[3];
        for (v[0] = 0; v[0] < st.size[0]; ++v[0])
            for (v[1] = 0; v[1] < st.size[1]; ++v[1])
                for (v[2] = 0; v[2] < st.size[2]; ++v[2]) {
                    const std::uint32_t key = smallFeatureKey(st, v);
                    std::int32_t w[kMoveCount] = {};
                    m_moves.addAll(&key, 1, w);
                    auto& row = m_small[m_smallStart[t] + smallIndex(st, v)];
                    for (std::size_t c = 0; c < kMoveCount; ++c)
                        row[c] = static_cast<std::int16_t>(w[c]);
                }
    }
}

void Parser::parse(const Lexeme* lex, const Upos* tags, std::size_t n, ParseState& state,
                   Word* out) const {
    std::uint32_t features[kPairFeatureCount + kSmallFeatureCount];
    std::uint32_t small[3 * kSmallFeatureCount];
    std::uint32_t roleFeatures[kMaxRoleFeatures];
    std::uint32_t labelFeatures[2][kLabelFeatureCount];
    std::int32_t tokens[kRoleCount];
    std::int32_t moveScores[kMoveCount];
    std::int32_t labelScores[kRelCount];
    RoleScores& roles = roleScores();
    roles.reset(n);
    state.reset(n);
    scoreStackAndBufferRoles(m_moves, lex, tags, n, state, roles);
    while (!state.done()) {
        // A token's relation is fixed once it is attached, and only attached tokens hold the
        // child roles, so every cached score stays right.
        state.roleTokens(tokens);
        std::fill(moveScores, moveScores + kMoveCount, 0);
        for (std::size_t r = 0; r < kRoleCount; ++r) {
            const std::size_t at = static_cast<std::size_t>(tokens[r] + 1) * kRoleCount + r;
            auto& cached = roles.score[at];
            if (!roles.known[at]) {
                cached.fill(0);
                const std::size_t count =
                    state.roleFeatures(static_cast<Role>(r), tokens[r], lex, tags, roleFeatures);
                m_moves.addAll(roleFeatures, count, cached.data());
                roles.known[at] = 1;
            }
            for (std::size_t c = 0; c < kMoveCount; ++c)
                moveScores[c] += cached[c];
        }
        // The small templates' rows and the pair features' slots are asked for first, and the
        // relation features of both arcs the move could make while they arrive: the misses of
        // one step overlap instead of following one another.
        state.smallValues(tags, small);
        const std::array<std::int16_t, 4>* rows[kSmallFeatureCount];
        std::size_t rowCount = 0;
        std::size_t extra = 0; // small values out of range are scored by their keys
        for (std::size_t t = 0; t < kSmallFeatureCount; ++t) {
            const SmallTemplate& st = kSmallTemplates[t];
            const std::uint32_t* v = small + 3 * t;
            if (v[0] >= st.size[0] || v[1] >= st.size[1] || v[2] >= st.size[2]) {
                features[kPairFeatureCount + extra++] = smallFeatureKey(st, v);
                continue;
            }
            rows[rowCount] = &m_small[m_smallStart[t] + smallIndex(st, v)];
            __builtin_prefetch(rows[rowCount++]);
        }
        state.pairFeatures(lex, tags, features);
        m_moves.prefetch(features, kPairFeatureCount + extra);
        const bool left = state.valid(Move::Left) && !state.leftToRoot();
        const bool right = state.valid(Move::Right);
        if (left) {
            state.labelFeatures(Move::Left, lex, tags, labelFeatures[0]);
            m_labels.prefetch(labelFeatures[0], kLabelFeatureCount);
        }
        if (right) {
            state.labelFeatures(Move::Right, lex, tags, labelFeatures[1]);
            m_labels.prefetch(labelFeatures[1], kLabelFeatureCount);
        }
        for (std::size_t r = 0; r < rowCount; ++r)
            for (std::size_t c = 0; c < kMoveCount; ++c)
                moveScores[c] += (*rows[r])[c];
        m_moves.addAll(features, kPairFeatureCount + extra, moveScores);
        const Move m = bestValidMove(state, moveScores);
        Rel label = Rel::Root;
        if ((m == Move::Left && left) || m == Move::Right) {
            std::fill(labelScores, labelScores + kRelCount, 0);
            m_labels.addAll(labelFeatures[m == Move::Left ? 0 : 1], kLabelFeatureCount,
                            labelScores);
            label = bestLabel(labelScores);
        }
        state.apply(m, label);
    }
    for (std::size_t i = 0; i < n; ++i) {
        const std::int32_t h = state.head(i);
        out[i].head =
            h < 0 || static_cast<std::size_t>(h) == n ? 0U : static_cast<std::uint32_t>(h) + 1;
        out[i].rel = state.label(i);
    }
}

} // namespace qm::grammar

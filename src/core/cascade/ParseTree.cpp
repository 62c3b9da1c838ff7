#include "core/cascade/ParseTree.h"

#include "core/cascade/WordTests.h"

#include <algorithm>
#include <string>
#include <utility>

namespace qm::cascade {

using grammar::Rel;

std::size_t rootOf(const grammar::Sentence& words) {
    std::size_t root = words.size();
    for (std::size_t w = 0; w < words.size(); ++w) {
        if (words[w].head == 0) root = w;
    }
    return root;
}

bool descendsFrom(const grammar::Sentence& words, std::size_t w, std::size_t a) {
    for (std::size_t k = w, steps = 0; steps <= words.size(); ++steps) {
        if (k == a) return true;
        if (words[k].head == 0) return false;
        k = words[k].head - 1;
    }
    return false;
}

bool isTree(const grammar::Sentence& words) {
    const std::size_t n = words.size();
    std::size_t roots = 0;
    for (const grammar::Word& w : words) {
        if (w.head > n) return false;
        if (w.head == 0) ++roots;
    }
    if (roots != 1) return false;
    // 0 not seen, 1 on the current chain, 2 known to reach the root.
    std::vector<std::uint8_t> state(n, 0);
    std::vector<std::size_t> chain;
    for (std::size_t i = 0; i < n; ++i) {
        chain.clear();
        std::size_t k = i;
        while (state[k] == 0) {
            state[k] = 1;
            chain.push_back(k);
            if (words[k].head == 0) break;
            k = words[k].head - 1;
        }
        if (state[k] == 1 && words[k].head != 0) return false;
        for (std::size_t c : chain)
            state[c] = 2;
    }
    return true;
}

void wordDepths(const grammar::Sentence& words, bool conjCounts, std::vector<int>& depth) {
    const std::size_t n = words.size();
    depth.assign(n, -1);
    std::vector<std::size_t> chain;
    for (std::size_t i = 0; i < n; ++i) {
        chain.clear();
        std::size_t k = i;
        while (depth[k] < 0 && words[k].head != 0) {
            chain.push_back(k);
            k = words[k].head - 1;
        }
        if (depth[k] < 0) depth[k] = 0; // the root
        int d = depth[k];
        for (std::size_t c = chain.size(); c-- > 0;) {
            if (conjCounts || words[chain[c]].rel != Rel::Conj) ++d;
            depth[chain[c]] = d;
        }
    }
}

void tightGaps(std::string_view text, const grammar::Sentence& words,
               std::vector<std::uint8_t>& tightAfter) {
    const std::size_t n = words.size();
    // Spans are marked on a difference array: +1 at the first gap, -1 after the last.
    std::vector<int> diff(n + 1, 0);
    auto span = [&](std::size_t a, std::size_t b) {
        if (a > b) std::swap(a, b);
        if (a == b) return;
        ++diff[a];
        --diff[b];
    };
    for (std::size_t d = 0; d < n; ++d) {
        const grammar::Word& w = words[d];
        if (w.head == 0) continue;
        const std::size_t h = w.head - 1;
        switch (w.rel) {
        case Rel::Det:
        case Rel::DetPredet:
        case Rel::Amod:
        case Rel::Compound:
        case Rel::NmodPoss:
            if (d < h) span(d, h);
            break;
        case Rel::Nummod:
        case Rel::Flat:
        case Rel::FlatForeign:
        case Rel::Fixed:
        case Rel::Goeswith:
        case Rel::CompoundPrt:
            span(d, h);
            break;
        case Rel::Aux:
        case Rel::AuxPass: {
            const std::size_t a = d < h ? d : h, b = d < h ? h : d;
            bool onlyVerbGroup = true;
            for (std::size_t k = a + 1; k < b && onlyVerbGroup; ++k) {
                const Rel r = words[k].rel;
                onlyVerbGroup = words[k].head == h + 1 &&
                                (r == Rel::Aux || r == Rel::AuxPass || r == Rel::Advmod);
            }
            if (onlyVerbGroup) span(a, b);
            break;
        }
        case Rel::Mark:
            if (d < h && isLowerOrCapitalTo(text, w)) span(d, h);
            break;
        case Rel::Case:
            if (d < h) span(d, d + 1);
            break;
        default:
            break;
        }
    }
    tightAfter.assign(n, 0);
    int open = 0;
    for (std::size_t i = 0; i < n; ++i) {
        open += diff[i];
        tightAfter[i] = open > 0 ? 1 : 0;
    }
}

} // namespace qm::cascade

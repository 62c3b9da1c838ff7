#pragma once
// Runs the folds of a jackknife on threads: each fold trains on the other folds and tags its
// own sentences, so the folds share nothing but what they read.
#include <algorithm>
#include <cstddef>
#include <thread>
#include <vector>

namespace qm::grammar {

// work(fold) for every fold in [0, folds), `threads` at a time; after each batch,
// batchDone(the number of folds done so far).
template <typename Work, typename BatchDone>
void runFolds(std::size_t folds, std::size_t threads, Work work, BatchDone batchDone) {
    threads = std::max<std::size_t>(threads, 1);
    for (std::size_t first = 0; first < folds; first += threads) {
        std::vector<std::thread> running;
        for (std::size_t f = first; f < std::min(folds, first + threads); ++f)
            running.emplace_back(work, f);
        for (std::thread& t : running)
            t.join();
        batchDone(std::min(folds, first + threads));
    }
}

} // namespace qm::grammar

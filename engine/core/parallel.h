// Splitting work over the processor's cores. Operations that use it give the same result for
// any number of workers; STITCHKIT_THREADS (1 to 8) fixes the number, else every core is used
// (at most 8).
#pragma once

#include <algorithm>
#include <cstdint>
#include <exception>
#include <thread>
#include <utility>
#include <vector>

// The number of workers an operation may use.
unsigned EngineThreads();

// Rows [first, last] (inclusive) split into contiguous blocks, one per worker; f(block, a, b)
// runs once per block. Each row's result depends only on that row, so the outcome is the same
// for any number of workers. Small jobs stay on the calling thread. An exception thrown by a
// block is rethrown here once every worker has finished.
template <class F> void ForRowBlocks(int first, int last, std::int64_t work, F&& f) {
    const int rows = last - first + 1;
    if (rows <= 0) return;
    unsigned workers = EngineThreads();
    if (work < (std::int64_t{1} << 16)) workers = 1;
    workers = std::min(workers, static_cast<unsigned>(rows));
    if (workers == 1) {
        f(0, first, last);
        return;
    }
    std::vector<std::exception_ptr> errors(workers);
    auto run = [&](unsigned block, int a, int b) {
        try {
            f(block, a, b);
        } catch (...) {
            errors[block] = std::current_exception();
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(workers - 1);
    const int per = rows / static_cast<int>(workers), extra = rows % static_cast<int>(workers);
    int start = first;
    std::vector<std::pair<int, int>> spans;
    for (unsigned block = 0; block < workers; ++block) {
        const int n = per + (static_cast<int>(block) < extra ? 1 : 0);
        spans.emplace_back(start, start + n - 1);
        start += n;
    }
    unsigned inline_from = workers;
    for (unsigned block = 1; block < workers; ++block) {
        try {
            pool.emplace_back(run, block, spans[block].first, spans[block].second);
        } catch (...) {
            inline_from = block; // no thread to be had: the rest runs here
            break;
        }
    }
    run(0, spans[0].first, spans[0].second);
    for (unsigned block = inline_from; block < workers; ++block)
        run(block, spans[block].first, spans[block].second);
    for (std::thread& t : pool) t.join();
    for (const std::exception_ptr& e : errors)
        if (e) std::rethrow_exception(e);
}

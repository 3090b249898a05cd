#include "ParallelFor.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

namespace sevenzip32 {

namespace {
constexpr size_t kMostThreads = 4;
}

size_t ThreadsFor(size_t count, size_t entriesPerThread) {
    const size_t wanted = (count + entriesPerThread - 1) / entriesPerThread;
    return std::clamp<size_t>(std::min<size_t>(wanted, std::thread::hardware_concurrency()), 1,
                              kMostThreads);
}

void RunOnThreads(size_t threads, const std::function<void(size_t which)>& work) {
    std::vector<std::exception_ptr> failures(std::max<size_t>(threads, 1));
    auto guarded = [&](size_t which) {
        try {
            work(which);
        } catch (...) {
            failures[which] = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> helpers;
        for (size_t which = 1; which < failures.size(); ++which) {
            helpers.emplace_back(guarded, which);
        }
        guarded(0);
    }
    for (const std::exception_ptr& failure : failures) {
        if (failure) {
            std::rethrow_exception(failure);
        }
    }
}

void ParallelFor(size_t count, size_t threads, const std::function<void(size_t, size_t)>& work) {
    threads = std::clamp<size_t>(threads, 1, std::max<size_t>(count, 1));
    RunOnThreads(threads, [&](size_t which) {
        work(count * which / threads, count * (which + 1) / threads);
    });
}

}  // namespace sevenzip32

// Splits work over many entries into contiguous blocks run side by side: reading local
// headers and planning entries cost a little for each of thousands of entries.
#pragma once

#include <cstddef>
#include <functional>

namespace sevenzip32 {

// How many threads, this one included, work over count entries at most.
size_t ThreadsFor(size_t count, size_t entriesPerThread);

// Runs work(which) on threads threads at once, this thread running which 0. Whatever one
// throws is rethrown here once all have ended: the lowest which's, so the same archive
// always fails the same way.
void RunOnThreads(size_t threads, const std::function<void(size_t which)>& work);

// Runs work(begin, end) over [0, count) in one contiguous block per thread, this thread
// taking the first; what a block throws as RunOnThreads does.
void ParallelFor(size_t count, size_t threads, const std::function<void(size_t, size_t)>& work);

}  // namespace sevenzip32

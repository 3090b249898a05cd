// A system call that a signal may interrupt before it did anything, made again until it
// was not: the one retry rule for every read, write and lock of the program and the
// library alike.
#pragma once

#include <cerrno>

namespace contract {

// call() returns what the system call does: negative, with errno set, when it failed.
template <typename Call>
auto RetryWhileInterrupted(Call call) {
    for (;;) {
        const auto result = call();
        if (!(result < 0 && errno == EINTR)) {
            return result;
        }
    }
}

}  // namespace contract

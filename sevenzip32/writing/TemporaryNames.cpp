#include "TemporaryNames.h"

#include <sys/random.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstdio>

namespace sevenzip32 {
namespace {

std::atomic<uint64_t> temporaryCounter{0};

uint64_t RandomNumber() {
    uint64_t number = 0;
    if (::getrandom(&number, sizeof number, 0) != sizeof number) {
        number = static_cast<uint64_t>(::getpid()) << 32;
    }
    return number;
}

}  // namespace

std::string NewTemporaryName() {
    static const uint64_t processNonce = RandomNumber();
    char name[64];
    std::snprintf(name, sizeof name, ".kesto-%016llx-%llu.tmp",
                  static_cast<unsigned long long>(processNonce),
                  static_cast<unsigned long long>(temporaryCounter.fetch_add(1)));
    return name;
}

// ".kesto-", 16 hexadecimal digits, "-", digits, ".tmp".
bool IsTemporaryName(std::string_view name) {
    constexpr std::string_view kStart = ".kesto-";
    constexpr std::string_view kEnd = ".tmp";
    constexpr size_t kNonceDigits = 16;
    if (name.size() < kStart.size() + kNonceDigits + 2 + kEnd.size() || !name.starts_with(kStart) ||
        !name.ends_with(kEnd)) {
        return false;
    }
    const std::string_view nonce = name.substr(kStart.size(), kNonceDigits);
    const std::string_view counter =
        name.substr(kStart.size() + kNonceDigits + 1,
                    name.size() - kStart.size() - kNonceDigits - 1 - kEnd.size());
    return std::all_of(nonce.begin(), nonce.end(),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }) &&
           name[kStart.size() + kNonceDigits] == '-' && !counter.empty() &&
           std::all_of(counter.begin(), counter.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace sevenzip32

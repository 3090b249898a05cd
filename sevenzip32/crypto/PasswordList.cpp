#include "PasswordList.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "Cp932.h"
#include "Interrupted.h"
#include "UniqueFd.h"
#include "Utf8.h"

namespace sevenzip32 {
namespace {

// A list longer than this is no list of passwords; what lies past it is not read.
constexpr size_t kLongestList = 1024 * 1024;

// The password in CP932; nothing where it is already ASCII (the same bytes) or has a
// character CP932 lacks.
std::optional<SecretBytes> InCp932(Cp932Codec& codec, std::span<const uint8_t> utf8) {
    SecretBytes output(utf8.size() * 2 + 4);
    const auto length = codec.Convert(utf8, output.Span());
    if (!length ||
        (*length == utf8.size() && std::equal(utf8.begin(), utf8.end(), output.data()))) {
        return std::nullopt;
    }
    output.KeepFirst(*length);
    return output;
}

// Reads the whole file into room that is wiped afterwards.
SecretBytes ReadAll(int fd, size_t size) {
    SecretBytes bytes(std::min(size, kLongestList));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = contract::RetryWhileInterrupted(
            [&] { return ::read(fd, bytes.data() + done, bytes.size() - done); });
        if (got <= 0) {
            break;
        }
        done += static_cast<size_t>(got);
    }
    bytes.KeepFirst(done);
    return bytes;
}

}  // namespace

std::optional<struct stat> PasswordListIdentity(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return status;
}

// Lines end in LF or CR LF; blank lines are no passwords; a byte-order mark, as some
// editors write, is not part of the first.
PasswordList PasswordList::Load(const std::filesystem::path& path) {
    PasswordList list;
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat status {};
    if (!fd.IsOpen() || ::fstat(fd.Get(), &status) != 0) {
        return list;
    }
    list.identity_ = status;
    if (!S_ISREG(status.st_mode)) {
        return list;
    }
    const SecretBytes bytes = ReadAll(fd.Get(), static_cast<size_t>(status.st_size));
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    Cp932Codec toCp932(Cp932Codec::Direction::ToCp932);
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        SecretBytes utf8(line);
        std::optional<SecretBytes> cp932 =
            IsValidUtf8(line) ? InCp932(toCp932, utf8.Span()) : std::nullopt;
        list.candidates_.push_back(std::move(utf8));
        if (cp932) {
            list.candidates_.push_back(std::move(*cp932));
        }
    }
    return list;
}

}  // namespace sevenzip32

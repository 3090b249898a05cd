#include "PasswordListFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "Interrupted.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Each missing folder on the way, for the user alone.
bool MakeFolders(const std::filesystem::path& folder) {
    if (folder.empty() || ::access(folder.c_str(), F_OK) == 0) {
        return true;
    }
    return MakeFolders(folder.parent_path()) &&
           (::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST);
}

bool WriteAllAt(int fd, std::string_view bytes, off_t at) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = contract::RetryWhileInterrupted([&] {
            return ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                            at + static_cast<off_t>(done));
        });
        if (wrote <= 0) {
            return false;
        }
        done += static_cast<size_t>(wrote);
    }
    return true;
}

// The list's bytes from offset to its end, wiped again when done with.
class ListBytes {
  public:
    ListBytes(int fd, off_t offset, size_t size) : bytes_(size, '\0') {
        size_t done = 0;
        while (done < size) {
            const ssize_t got = contract::RetryWhileInterrupted([&] {
                return ::pread(fd, bytes_.data() + done, size - done,
                               offset + static_cast<off_t>(done));
            });
            if (got <= 0) {
                break;
            }
            done += static_cast<size_t>(got);
        }
        complete_ = done == size;
    }
    ~ListBytes() { ::explicit_bzero(bytes_.data(), bytes_.size()); }
    ListBytes(const ListBytes&) = delete;
    ListBytes& operator=(const ListBytes&) = delete;

    bool Complete() const { return complete_; }
    std::string_view View() const { return bytes_; }

  private:
    std::string bytes_;
    bool complete_ = false;
};

}  // namespace

std::optional<AddedPassword> AppendPassword(const std::filesystem::path& list,
                                            const std::string& password) {
    if (password.empty() || password.find_first_of("\r\n") != std::string::npos ||
        !MakeFolders(list.parent_path())) {
        return std::nullopt;
    }
    const int fd = ::open(list.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return std::nullopt;
    }
    // A last line the user left without its line end is not joined to the new one.
    struct stat status {};
    char last = '\n';
    if (::fstat(fd, &status) != 0) {
        ::close(fd);
        return std::nullopt;
    }
    if (status.st_size > 0 && ::pread(fd, &last, 1, status.st_size - 1) != 1) {
        last = '\n';
    }
    const std::string lineBreak = last == '\n' ? "" : "\n";
    const bool written = WriteAllAt(fd, lineBreak + password + "\n", status.st_size);
    if (::close(fd) != 0 || !written) {
        return std::nullopt;
    }
    return AddedPassword{static_cast<uint64_t>(status.st_size) + lineBreak.size(), password};
}

bool TakeOutPassword(const std::filesystem::path& list, const AddedPassword& added) {
    const int fd = ::open(list.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return false;
    }
    struct stat status {};
    const uint64_t line = added.password.size() + 1;
    const auto offset = static_cast<off_t>(added.offset);
    bool taken = false;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
        added.offset + line <= static_cast<uint64_t>(status.st_size)) {
        // From the byte before the line (which must end a line of its own) to the end.
        const off_t from = added.offset == 0 ? 0 : offset - 1;
        const ListBytes rest(fd, from, static_cast<size_t>(status.st_size - from));
        const std::string_view bytes = rest.View().substr(added.offset == 0 ? 0 : 1);
        const bool startsALine = added.offset == 0 || rest.View().front() == '\n';
        if (rest.Complete() && startsALine && bytes.starts_with(added.password) &&
            bytes[added.password.size()] == '\n') {
            taken = WriteAllAt(fd, bytes.substr(line), offset) &&
                    ::ftruncate(fd, status.st_size - static_cast<off_t>(line)) == 0;
        }
    }
    return ::close(fd) == 0 && taken;
}

PasswordListLook LookAtPasswordList(const std::filesystem::path& list) {
    PasswordListLook look;
    look.identity = platform::IdentityOf(list.string());
    const int fd = ::open(list.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 || !look.identity || !look.identity->isRegularFile) {
        if (fd >= 0) {
            ::close(fd);
        }
        return look;
    }
    std::array<char, 4096> chunk{};
    bool first = true;
    while (!look.holdsPasswords) {
        const ssize_t got =
            contract::RetryWhileInterrupted([&] { return ::read(fd, chunk.data(), chunk.size()); });
        if (got <= 0) {
            break;
        }
        std::string_view bytes(chunk.data(), static_cast<size_t>(got));
        if (first && bytes.starts_with(kByteOrderMark)) {
            bytes.remove_prefix(kByteOrderMark.size());
        }
        first = false;
        look.holdsPasswords = bytes.find_first_not_of("\r\n") != std::string_view::npos;
    }
    ::explicit_bzero(chunk.data(), chunk.size());
    ::close(fd);
    return look;
}

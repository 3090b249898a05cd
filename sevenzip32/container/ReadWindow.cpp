#include "ReadWindow.h"

#include <algorithm>

#include "EntryFailure.h"

namespace sevenzip32 {

std::span<const uint8_t> ReadWindow::At(uint64_t offset, size_t length) {
    if (offset >= start_ && offset - start_ <= bytes_.size() &&
        length <= bytes_.size() - (offset - start_)) {
        return {bytes_.data() + (offset - start_), length};
    }
    if (offset > file_.Size() || length > file_.Size() - offset) {
        throw EntryFailure(Reason::kTruncated);
    }
    bytes_.resize(std::max(
        length, static_cast<size_t>(std::min<uint64_t>(kWindowSize, file_.Size() - offset))));
    file_.ReadAt(offset, bytes_);
    start_ = offset;
    return {bytes_.data(), length};
}

}  // namespace sevenzip32

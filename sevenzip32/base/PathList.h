// Many paths in one buffer. An archive may name a million files: a string for each
// would cost more than the names themselves.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "EntryFailure.h"

namespace sevenzip32 {

class PathList {
  public:
    size_t Size() const { return ends_.size(); }
    std::string_view operator[](size_t i) const {
        const uint32_t begin = i == 0 ? 0 : ends_[i - 1];
        return std::string_view(text_).substr(begin, ends_[i] - begin);
    }

    void Reserve(size_t paths, size_t bytes) {
        ends_.reserve(paths);
        text_.reserve(bytes);
    }
    // Throws EntryFailure past 4 GiB of paths, more than any archive names.
    void Add(std::string_view path) {
        MakeRoomFor(path.size());
        text_ += path;
        ends_.push_back(static_cast<uint32_t>(text_.size()));
    }
    void Add(const PathList& more) {
        MakeRoomFor(more.text_.size());
        const auto shift = static_cast<uint32_t>(text_.size());
        text_ += more.text_;
        for (const uint32_t end : more.ends_) {
            ends_.push_back(shift + end);
        }
    }

    bool operator==(const PathList&) const = default;

  private:
    void MakeRoomFor(size_t bytes) const {
        if (bytes > UINT32_MAX - text_.size()) {
            throw EntryFailure(Reason::kPathsTooLong);
        }
    }

    std::string text_;
    std::vector<uint32_t> ends_;
};

}  // namespace sevenzip32

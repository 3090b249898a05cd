#include "CompressedStreams.h"

#include <isa-l/igzip_lib.h>
#include <lzma.h>

#include <vector>

#include "EntryFailure.h"
#include "MethodDecoder.h"

namespace sevenzip32 {
namespace {

constexpr size_t kInputSize = 256 * 1024;

// The compressed bytes from below, a buffer at a time.
class Input {
  public:
    explicit Input(ByteStream& below) : below_(below), buffer_(kInputSize) {}

    // The next buffer's bytes; empty once below has ended.
    std::span<const uint8_t> Next() { return std::span(buffer_).first(below_.Read(buffer_)); }
    const uint8_t* Start() const { return buffer_.data(); }

  private:
    ByteStream& below_;
    std::vector<uint8_t> buffer_;
};

class GzipStream : public ByteStream {
  public:
    explicit GzipStream(ByteStream& below) : input_(below) {}

    size_t Read(std::span<uint8_t> into) override {
        for (;;) {
            if (state_.avail_in == 0) {
                const auto next = input_.Next();
                if (next.empty()) {
                    if (inMember_) {
                        throw EntryFailure(Reason::kDataEndsEarly);
                    }
                    return 0;
                }
                state_.next_in = const_cast<uint8_t*>(next.data());
                state_.avail_in = static_cast<uint32_t>(next.size());
            }
            if (!inMember_ && !StartMember()) {
                continue;
            }
            state_.next_out = into.data();
            state_.avail_out = static_cast<uint32_t>(into.size());
            if (isal_inflate(&state_) != ISAL_DECOMP_OK) {
                throw EntryFailure(Reason::kDeflateDamaged);
            }
            if (state_.block_state == ISAL_BLOCK_FINISH) {
                EndMember();
            }
            const size_t produced = into.size() - state_.avail_out;
            if (produced > 0) {
                return produced;
            }
        }
    }

  private:
    // A member begins where its bytes do; the zeros some writers pad with are skipped.
    // False when the input ran out first.
    bool StartMember() {
        uint8_t* next = state_.next_in;
        uint32_t left = state_.avail_in;
        while (left > 0 && *next == 0) {
            ++next;
            --left;
        }
        isal_inflate_init(&state_);
        state_.crc_flag = ISAL_GZIP;
        state_.next_in = next;
        state_.avail_in = left;
        inMember_ = left > 0;
        return inMember_;
    }
    // The inflater reads ahead into its bit buffer: what it read past the member's end
    // belongs to the next.
    void EndMember() {
        inMember_ = false;
        const uint32_t readPast = state_.read_in_length / 8;
        if (readPast > static_cast<size_t>(state_.next_in - input_.Start())) {
            throw EntryFailure(Reason::kDeflateDamaged);  // not within the buffer at hand
        }
        state_.next_in -= readPast;
        state_.avail_in += readPast;
        state_.read_in = 0;
        state_.read_in_length = 0;
    }

    Input input_;
    inflate_state state_{};
    bool inMember_ = false;
};

class XzStream : public ByteStream {
  public:
    explicit XzStream(ByteStream& below) : input_(below) {
        if (lzma_stream_decoder(&stream_, kMostDecoderMemory, LZMA_CONCATENATED) != LZMA_OK) {
            throw EntryFailure(Reason::kCannotStartXz);
        }
    }
    ~XzStream() override { lzma_end(&stream_); }

    size_t Read(std::span<uint8_t> into) override {
        while (!ended_) {
            if (stream_.avail_in == 0 && more_) {
                const auto next = input_.Next();
                more_ = !next.empty();
                stream_.next_in = next.data();
                stream_.avail_in = next.size();
            }
            const bool more = more_;
            stream_.next_out = into.data();
            stream_.avail_out = into.size();
            const lzma_ret result = lzma_code(&stream_, more ? LZMA_RUN : LZMA_FINISH);
            if (result == LZMA_STREAM_END) {
                ended_ = true;
            } else if (result == LZMA_BUF_ERROR && !more) {
                throw EntryFailure(Reason::kDataEndsEarly);
            } else if (result != LZMA_OK) {
                throw EntryFailure(result == LZMA_MEMLIMIT_ERROR ? Reason::kNeedsTooMuchMemory
                                                                 : Reason::kDataDamaged);
            }
            const size_t produced = into.size() - stream_.avail_out;
            if (produced > 0) {
                return produced;
            }
        }
        return 0;
    }

  private:
    Input input_;
    lzma_stream stream_ = LZMA_STREAM_INIT;
    bool more_ = true;
    bool ended_ = false;
};

// bzip2 or Zstandard through the library's decoder of the method, its streams or frames
// one after another to the file's end.
class MethodDecoderStream : public ByteStream {
  public:
    MethodDecoderStream(std::unique_ptr<MethodDecoder> decoder, ByteStream& below)
        : decoder_(std::move(decoder)), input_(below) {
        decoder_->Reset(0);
    }

    size_t Read(std::span<uint8_t> into) override {
        while (!finished_) {
            if (left_.empty() && more_) {
                left_ = input_.Next();
                more_ = !left_.empty();
            }
            const MethodDecoder::Step step = decoder_->Decode(left_, into);
            left_ = left_.subspan(step.consumed);
            finished_ = step.finished;
            if (step.produced > 0) {
                return step.produced;
            }
            if (!finished_ && !more_ && step.consumed == 0) {
                throw EntryFailure(Reason::kDataEndsEarly);
            }
        }
        return 0;
    }

  private:
    std::unique_ptr<MethodDecoder> decoder_;
    Input input_;
    std::span<const uint8_t> left_;
    bool more_ = true;
    bool finished_ = false;
};

}  // namespace

std::unique_ptr<ByteStream> MakeBzip2Stream(ByteStream& below) {
    return std::make_unique<MethodDecoderStream>(MakeBzip2Decoder(), below);
}

std::unique_ptr<ByteStream> MakeZstandardStream(ByteStream& below) {
    return std::make_unique<MethodDecoderStream>(MakeZstandardDecoder(), below);
}

std::unique_ptr<ByteStream> MakeGzipStream(ByteStream& below) {
    return std::make_unique<GzipStream>(below);
}

std::unique_ptr<ByteStream> MakeXzStream(ByteStream& below) {
    return std::make_unique<XzStream>(below);
}

}  // namespace sevenzip32

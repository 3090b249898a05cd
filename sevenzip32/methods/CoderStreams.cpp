#include "CoderStreams.h"

#include <lzma.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>

#include "EntryFailure.h"
#include "MethodDecoder.h"

namespace sevenzip32 {
namespace {

constexpr size_t kInputSize = 64 * 1024;

struct KnownCoder {
    std::initializer_list<uint8_t> id;
    CoderKind kind;
    uint64_t lzmaFilter;
    const char* name;
};

const KnownCoder kCoders[] = {
    {{0x00}, CoderKind::Copy, 0, "Copy"},
    {{0x21}, CoderKind::Lzma2, LZMA_FILTER_LZMA2, "LZMA2"},
    {{0x03, 0x01, 0x01}, CoderKind::Lzma, LZMA_FILTER_LZMA1, "LZMA"},
    {{0x03}, CoderKind::Filter, LZMA_FILTER_DELTA, "Delta"},
    {{0x03, 0x03, 0x01, 0x03}, CoderKind::Filter, LZMA_FILTER_X86, "BCJ"},
    {{0x03, 0x03, 0x02, 0x05}, CoderKind::Filter, LZMA_FILTER_POWERPC, "PPC"},
    {{0x03, 0x03, 0x04, 0x01}, CoderKind::Filter, LZMA_FILTER_IA64, "IA64"},
    {{0x03, 0x03, 0x05, 0x01}, CoderKind::Filter, LZMA_FILTER_ARM, "ARM"},
    {{0x03, 0x03, 0x07, 0x01}, CoderKind::Filter, LZMA_FILTER_ARMTHUMB, "ARMT"},
    {{0x03, 0x03, 0x08, 0x05}, CoderKind::Filter, LZMA_FILTER_SPARC, "SPARC"},
    {{0x0A}, CoderKind::Filter, LZMA_FILTER_ARM64, "ARM64"},
    {{0x04, 0x01, 0x08}, CoderKind::Deflate, 0, "Deflate"},
    {{0x04, 0x01, 0x09}, CoderKind::Deflate64, 0, "Deflate64"},
    {{0x04, 0x02, 0x02}, CoderKind::Bzip2, 0, "BZip2"},
    {{0x06, 0xF1, 0x07, 0x01}, CoderKind::Aes, 0, "7zAES"},
    {{0x03, 0x03, 0x01, 0x1B}, CoderKind::Bcj2, 0, "BCJ2"},
    {{0x03, 0x04, 0x01}, CoderKind::Ppmd, 0, "PPMD"},
    // Known by name only, for the refusal to say which.
    {{0x0B}, CoderKind::Unknown, 0, "RISCV"},
    {{0x04, 0xF7, 0x11, 0x01}, CoderKind::Unknown, 0, "ZSTD"},
};

std::string HexOf(std::span<const uint8_t> id) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (const uint8_t byte : id) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex.empty() ? "00" : hex;
}

// Refills input from below once it is used up; says whether below has ended.
class Refill {
  public:
    explicit Refill(ByteStream& below) : below_(below), buffer_(kInputSize) {}

    std::span<const uint8_t> Input() {
        if (left_.empty() && !ended_) {
            const size_t read = below_.Read(buffer_);
            ended_ = read == 0;
            left_ = std::span<const uint8_t>(buffer_).first(read);
        }
        return left_;
    }
    void Consumed(size_t count) { left_ = left_.subspan(count); }
    bool Ended() const { return ended_ && left_.empty(); }

  private:
    ByteStream& below_;
    std::vector<uint8_t> buffer_;
    std::span<const uint8_t> left_;
    bool ended_ = false;
};

class LzmaChainStream : public ByteStream {
  public:
    LzmaChainStream(const std::vector<LzmaChainCoder>& chain, ByteStream& below,
                    uint64_t mostMemory)
        : input_(below) {
        lzma_filter filters[LZMA_FILTERS_MAX + 1];
        if (chain.empty() || chain.size() > LZMA_FILTERS_MAX) {
            throw EntryFailure(Reason::kUnsupportedMethod, "chain");
        }
        size_t count = 0;
        struct Options {
            ~Options() {
                for (void* options : decoded) {
                    std::free(options);
                }
            }
            std::vector<void*> decoded;
        } options;
        for (const LzmaChainCoder& coder : chain) {
            lzma_filter& filter = filters[count++];
            filter = {coder.filter, nullptr};
            if (lzma_properties_decode(&filter, nullptr, coder.properties.data(),
                                       coder.properties.size()) != LZMA_OK) {
                throw EntryFailure(Reason::kLzmaHeaderDamaged);
            }
            options.decoded.push_back(filter.options);
        }
        filters[count] = {LZMA_VLI_UNKNOWN, nullptr};
        if (lzma_raw_decoder_memusage(filters) > mostMemory) {
            throw EntryFailure(Reason::kNeedsTooMuchMemory);
        }
        if (lzma_raw_decoder(&stream_, filters) != LZMA_OK) {
            throw EntryFailure(Reason::kCannotStartLzma);
        }
    }
    ~LzmaChainStream() override { lzma_end(&stream_); }

    size_t Read(std::span<uint8_t> into) override {
        while (!ended_) {
            const auto input = input_.Input();
            stream_.next_in = input.data();
            stream_.avail_in = input.size();
            stream_.next_out = into.data();
            stream_.avail_out = into.size();
            const lzma_ret result = lzma_code(&stream_, input_.Ended() ? LZMA_FINISH : LZMA_RUN);
            input_.Consumed(input.size() - stream_.avail_in);
            const size_t produced = into.size() - stream_.avail_out;
            if (result == LZMA_STREAM_END) {
                ended_ = true;
            } else if (result == LZMA_BUF_ERROR && input_.Ended()) {
                ended_ = true;  // raw LZMA without an end marker: its input is all it holds
            } else if (result != LZMA_OK) {
                throw EntryFailure(result == LZMA_MEMLIMIT_ERROR ? Reason::kNeedsTooMuchMemory
                                                                 : Reason::kLzmaDamaged);
            }
            if (produced > 0) {
                return produced;
            }
        }
        return 0;
    }

  private:
    Refill input_;
    lzma_stream stream_ = LZMA_STREAM_INIT;
    bool ended_ = false;
};

class MethodStream : public ByteStream {
  public:
    MethodStream(std::unique_ptr<MethodDecoder> decoder, ByteStream& below, uint64_t outputSize)
        : decoder_(std::move(decoder)), input_(below) {
        decoder_->Reset(outputSize);
    }

    size_t Read(std::span<uint8_t> into) override {
        while (!finished_) {
            const auto input = input_.Input();
            const MethodDecoder::Step step = decoder_->Decode(input, into);
            input_.Consumed(step.consumed);
            finished_ = step.finished;
            if (step.produced > 0) {
                return step.produced;
            }
            if (!finished_ && input_.Ended() && step.consumed == 0) {
                throw EntryFailure(Reason::kDataEndsEarly);
            }
        }
        return 0;
    }

  private:
    std::unique_ptr<MethodDecoder> decoder_;
    Refill input_;
    bool finished_ = false;
};

// The code's bytes as they stand, but where a call (E8), a jump (E9) or a conditional
// jump (0F 8x) was converted: its choice comes range-coded, each kind of branch with
// probabilities of its own (a call's by the byte before it), and a converted one's
// absolute address, big-endian from the calls' or the jumps' stream, is made relative
// to where it ends again.
class Bcj2Stream : public ByteStream {
  public:
    Bcj2Stream(ByteStream& code, ByteStream& calls, ByteStream& jumps, ByteStream& choices)
        : text_(code), calls_(calls), jumps_(jumps), choices_(choices) {
        std::fill(std::begin(probabilities_), std::end(probabilities_), kHalf);
    }

    size_t Read(std::span<uint8_t> into) override {
        if (!started_) {
            for (int i = 0; i < 5; ++i) {
                value_ = value_ << 8 | ByteOf(choices_);
            }
            started_ = true;
        }
        size_t made = 0;
        while (made < into.size()) {
            if (pendingAt_ < pending_.size()) {
                into[made++] = pending_[pendingAt_++];
                continue;
            }
            const auto input = text_.Input();
            if (input.empty()) {
                break;
            }
            const uint8_t byte = input[0];
            text_.Consumed(1);
            into[made++] = byte;
            ++position_;
            const bool branch =
                (byte & 0xFE) == 0xE8 || (previous_ == 0x0F && (byte & 0xF0) == 0x80);
            if (!branch) {
                previous_ = byte;
                continue;
            }
            const size_t probability = byte == 0xE8 ? previous_ : byte == 0xE9 ? 256 : 257;
            if (!DecodeChoice(probabilities_[probability])) {
                previous_ = byte;
                continue;
            }
            Refill& addresses = byte == 0xE8 ? calls_ : jumps_;
            uint32_t absolute = 0;
            for (int i = 0; i < 4; ++i) {
                absolute = absolute << 8 | ByteOf(addresses);
            }
            const uint32_t relative = absolute - (position_ + 4);
            for (size_t i = 0; i < pending_.size(); ++i) {
                pending_[i] = static_cast<uint8_t>(relative >> (8 * i));
            }
            pendingAt_ = 0;
            position_ += 4;
            previous_ = pending_[3];
        }
        return made;
    }

  private:
    static constexpr uint16_t kHalf = 1024;  // of 11-bit probabilities
    static constexpr uint32_t kTop = 1u << 24;

    static uint8_t ByteOf(Refill& stream) {
        const auto input = stream.Input();
        if (input.empty()) {
            throw EntryFailure(Reason::kDataDamaged);
        }
        const uint8_t byte = input[0];
        stream.Consumed(1);
        return byte;
    }

    bool DecodeChoice(uint16_t& probability) {
        const uint32_t bound = (range_ >> 11) * probability;
        bool converted = false;
        if (value_ < bound) {
            range_ = bound;
            probability = static_cast<uint16_t>(probability + ((2048 - probability) >> 5));
        } else {
            range_ -= bound;
            value_ -= bound;
            probability = static_cast<uint16_t>(probability - (probability >> 5));
            converted = true;
        }
        if (range_ < kTop) {
            range_ <<= 8;
            value_ = value_ << 8 | ByteOf(choices_);
        }
        return converted;
    }

    Refill text_;  // the code itself
    Refill calls_;
    Refill jumps_;
    Refill choices_;
    uint16_t probabilities_[258];
    uint32_t range_ = 0xFFFFFFFF;
    uint32_t value_ = 0;
    bool started_ = false;
    uint8_t previous_ = 0;
    uint32_t position_ = 0;  // of the output, modulo 4 GiB as the addresses are
    std::array<uint8_t, 4> pending_{};
    size_t pendingAt_ = 4;
};

}  // namespace

CoderType CoderOfId(std::span<const uint8_t> id) {
    for (const KnownCoder& coder : kCoders) {
        if (std::equal(id.begin(), id.end(), coder.id.begin(), coder.id.end())) {
            return {coder.kind, coder.lzmaFilter, coder.name};
        }
    }
    return {CoderKind::Unknown, 0, HexOf(id)};
}

std::unique_ptr<ByteStream> MakeLzmaChainStream(const std::vector<LzmaChainCoder>& chain,
                                                ByteStream& below, uint64_t mostMemory) {
    return std::make_unique<LzmaChainStream>(chain, below, mostMemory);
}

std::unique_ptr<ByteStream> MakeBcj2Stream(ByteStream& code, ByteStream& calls, ByteStream& jumps,
                                           ByteStream& choices) {
    return std::make_unique<Bcj2Stream>(code, calls, jumps, choices);
}

std::unique_ptr<ByteStream> MakeMethodStream(CoderKind kind, ByteStream& below,
                                             uint64_t outputSize) {
    const uint16_t method = kind == CoderKind::Deflate     ? kMethodDeflate
                            : kind == CoderKind::Deflate64 ? kMethodDeflate64
                                                           : kMethodBzip2;
    return std::make_unique<MethodStream>(MakeMethodDecoder(method), below, outputSize);
}

}  // namespace sevenzip32

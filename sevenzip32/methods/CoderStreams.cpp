#include "CoderStreams.h"

#include <lzma.h>

#include <algorithm>
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
    // Known by name only, for the refusal to say which.
    {{0x03, 0x03, 0x01, 0x1B}, CoderKind::Unknown, 0, "BCJ2"},
    {{0x03, 0x04, 0x01}, CoderKind::Unknown, 0, "PPMD"},
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

std::unique_ptr<ByteStream> MakeMethodStream(CoderKind kind, ByteStream& below,
                                             uint64_t outputSize) {
    const uint16_t method = kind == CoderKind::Deflate     ? kMethodDeflate
                            : kind == CoderKind::Deflate64 ? kMethodDeflate64
                                                           : kMethodBzip2;
    return std::make_unique<MethodStream>(MakeMethodDecoder(method), below, outputSize);
}

}  // namespace sevenzip32

// Deflate64 (method 9), as Windows' compressed folders write large files: deflate with
// a 64 KiB window, length code 285 meaning 3 plus 16 extra bits, and distance codes 30
// and 31 with 14 extra bits. No library on the system decodes it, so it is ours.
//
// It streams: compressed bytes are kept only until they are decoded, and the window of
// the last 64 KiB produced is all the history there is. A step (a block header, a symbol
// with its length and distance) is begun only when the bytes held cover the longest a
// step can be, or when the input has ended: no step ever stops half way to wait, so
// nothing is ever undone, and every split of the input gives the same bytes.
#include <endian.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "EntryFailure.h"
#include "MethodDecoder.h"
#include "StreamEnd.h"

namespace sevenzip32 {
namespace {

constexpr size_t kWindowSize = 64 * 1024;
constexpr size_t kMostBufferedInput = 64 * 1024;
constexpr int kMostCodeLength = 15;
constexpr int kFastBits = 10;

constexpr std::array<uint16_t, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                  15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                  67, 83, 99, 115, 131, 163, 195, 227, 3};
constexpr std::array<uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16};
constexpr std::array<uint16_t, 32> kDistanceBase = {
    1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
    49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
    2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr std::array<uint8_t, 32> kDistanceExtra = {0,  0,  0,  0,  1,  1,  2,  2,  3,  3, 4,
                                                    4,  5,  5,  6,  6,  7,  7,  8,  8,  9, 9,
                                                    10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
constexpr std::array<uint8_t, 19> kCodeLengthOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                      11, 4,  12, 3, 13, 2, 14, 1, 15};

[[noreturn]] void Damaged() {
    throw EntryFailure(Reason::kDeflate64Damaged);
}

// A canonical Huffman code: a table for codes up to kFastBits long, the counts and
// sorted symbols for the longer ones.
class HuffmanCode {
  public:
    // lengths[symbol] is 0 for a symbol that is not used.
    void Build(const uint8_t* lengths, size_t count) {
        counts_.fill(0);
        for (size_t symbol = 0; symbol < count; ++symbol) {
            ++counts_[lengths[symbol]];
        }
        counts_[0] = 0;
        int left = 1;
        for (int length = 1; length <= kMostCodeLength; ++length) {
            left = (left << 1) - counts_[length];
            if (left < 0) {
                Damaged();  // over-subscribed
            }
        }
        std::array<uint16_t, kMostCodeLength + 2> offsets{};
        for (int length = 1; length <= kMostCodeLength; ++length) {
            offsets[length + 1] = offsets[length] + counts_[length];
        }
        symbols_.assign(count, 0);
        for (size_t symbol = 0; symbol < count; ++symbol) {
            if (lengths[symbol] != 0) {
                symbols_[offsets[lengths[symbol]]++] = static_cast<uint16_t>(symbol);
            }
        }
        // The fast table, indexed by the next kFastBits bits as they come (reversed codes).
        fast_.fill(0);
        uint32_t code = 0;
        size_t index = 0;
        for (int length = 1; length <= kMostCodeLength; ++length, code <<= 1) {
            for (int k = 0; k < counts_[length]; ++k, ++code, ++index) {
                if (length > kFastBits) {
                    continue;
                }
                uint32_t reversed = 0;
                for (int bit = 0; bit < length; ++bit) {
                    reversed |= ((code >> bit) & 1) << (length - 1 - bit);
                }
                for (uint32_t fill = reversed; fill < (1u << kFastBits); fill += 1u << length) {
                    fast_[fill] = static_cast<uint32_t>(symbols_[index]) << 4 | length;
                }
            }
        }
    }

    template <typename BitSource>
    int Decode(BitSource& bits) const {
        const uint32_t peek = bits.Peek(kFastBits);
        if (const uint32_t entry = fast_[peek]; entry != 0) {
            bits.Drop(entry & 0xF);
            return static_cast<int>(entry >> 4);
        }
        // Longer codes, a bit at a time.
        int code = 0;
        int first = 0;
        int index = 0;
        for (int length = 1; length <= kMostCodeLength; ++length) {
            code |= static_cast<int>(bits.Take(1));
            const int count = counts_[length];
            if (code - count < first) {
                return symbols_[index + (code - first)];
            }
            index += count;
            first += count;
            first <<= 1;
            code <<= 1;
        }
        Damaged();
    }

  private:
    std::array<uint16_t, kMostCodeLength + 1> counts_{};
    std::vector<uint16_t> symbols_;
    std::array<uint32_t, 1u << kFastBits> fast_{};  // symbol << 4 | length; 0: not short
};

class Deflate64Decoder : public MethodDecoder {
  public:
    Deflate64Decoder() : window_(kWindowSize) {}

    void Reset(uint64_t /*declaredSize*/) override {
        input_.clear();
        bitPosition_ = 0;
        produced_ = 0;
        state_ = State::BlockHeader;
        lastBlock_ = false;
        copyLength_ = 0;
    }

    Step Decode(std::span<const uint8_t> input, std::span<uint8_t> output) override {
        output_ = output;
        written_ = 0;
        const bool inputEnded = input.empty();
        size_t taken = 0;
        for (;;) {
            if (taken == 0 && !input.empty() && Unread() < kMostBufferedInput) {
                Compact();
                input_.insert(input_.end(), input.begin(), input.end());
                taken = input.size();
            }
            const bool canTakeMore = taken == 0 && !input.empty();
            Run(inputEnded);
            // Run stops for the output, the stream's end, or input it has not been given.
            if (state_ == State::Done || written_ == output_.size() || !canTakeMore) {
                break;
            }
        }
        Compact();
        if (state_ != State::Done) {
            return {taken, written_, false};
        }
        const size_t readPastEnd = input_.size() - (bitPosition_ + 7) / 8;
        return {ConsumedUpToStreamEnd(taken, readPastEnd), written_, true};
    }

    // Bits as the stream gives them, least significant first.
    uint32_t Peek(int count) const {
        const size_t byte = bitPosition_ / 8;
        uint64_t word = 0;
        if (byte + sizeof word <= input_.size()) {
            std::memcpy(&word, input_.data() + byte, sizeof word);
            word = le64toh(word);
        } else {
            for (size_t i = 0; byte + i < input_.size(); ++i) {
                word |= static_cast<uint64_t>(input_[byte + i]) << (8 * i);
            }
        }
        // Missing bits read as zero; Drop decides whether they were needed.
        return static_cast<uint32_t>(word >> (bitPosition_ % 8)) & ((1u << count) - 1);
    }
    // Past the end of the bytes held, the input has ended (a step begins only with
    // enough bytes otherwise), so the stream is cut short.
    void Drop(int count) {
        if (bitPosition_ + count > input_.size() * 8) {
            throw EntryFailure(Reason::kDataEndsEarly);
        }
        bitPosition_ += count;
    }
    uint32_t Take(int count) {
        const uint32_t bits = Peek(count);
        Drop(count);
        return bits;
    }

  private:
    enum class State { BlockHeader, Stored, Huffman, Done };

    // The longest step, a header of dynamic codes, takes under 600 bytes.
    static constexpr size_t kMostStepBytes = 1024;

    size_t Unread() const { return input_.size() - bitPosition_ / 8; }

    void Compact() {
        const size_t done = bitPosition_ / 8;
        if (done > 0) {
            input_.erase(input_.begin(), input_.begin() + static_cast<ptrdiff_t>(done));
            bitPosition_ -= done * 8;
        }
    }

    void Put(uint8_t byte) {
        output_[written_++] = byte;
        window_[produced_++ % kWindowSize] = byte;
    }

    // Steps until the output is full, the stream ends, or the bytes held no longer
    // cover a whole step while more input is to come.
    void Run(bool inputEnded) {
        for (;;) {
            if (copyLength_ > 0 && !Copy()) {
                return;
            }
            if (state_ == State::Done || (!inputEnded && Unread() < kMostStepBytes)) {
                return;
            }
            switch (state_) {
                case State::Done:
                    return;
                case State::BlockHeader:
                    if (lastBlock_) {
                        state_ = State::Done;
                        return;
                    }
                    ReadBlockHeader();
                    break;
                case State::Stored:
                    if (!CopyStored()) {
                        return;
                    }
                    break;
                case State::Huffman:
                    if (written_ == output_.size()) {
                        return;
                    }
                    DecodeSymbol();
                    break;
            }
        }
    }

    void ReadBlockHeader() {
        lastBlock_ = Take(1) != 0;
        switch (Take(2)) {
            case 0: {
                Drop((8 - bitPosition_ % 8) % 8);
                const uint32_t length = Take(16);
                if ((Take(16) ^ 0xFFFF) != length) {
                    Damaged();
                }
                storedLeft_ = length;
                state_ = State::Stored;
                break;
            }
            case 1:
                literals_ = &FixedCodes().literals;
                distances_ = &FixedCodes().distances;
                state_ = State::Huffman;
                break;
            case 2:
                ReadDynamicCodes();
                literals_ = &dynamicLiterals_;
                distances_ = &dynamicDistances_;
                state_ = State::Huffman;
                break;
            default:
                Damaged();
        }
    }

    // Copies what the output and the bytes held allow; false when the output is full.
    bool CopyStored() {
        const size_t start = bitPosition_ / 8;  // stored data begins on a byte
        const size_t count = std::min(
            {static_cast<size_t>(storedLeft_), output_.size() - written_, input_.size() - start});
        for (size_t i = 0; i < count; ++i) {
            Put(input_[start + i]);
        }
        bitPosition_ += count * 8;
        storedLeft_ -= static_cast<uint32_t>(count);
        if (storedLeft_ == 0) {
            state_ = State::BlockHeader;
        } else if (count == 0 && written_ < output_.size()) {
            Drop(8);  // nothing held, and the input has ended
        }
        return written_ < output_.size();
    }

    struct FixedCodeTables {
        HuffmanCode literals;
        HuffmanCode distances;
    };

    static const FixedCodeTables& FixedCodes() {
        static const FixedCodeTables tables = [] {
            FixedCodeTables built;
            std::array<uint8_t, 288> lengths{};
            std::fill(lengths.begin(), lengths.begin() + 144, 8);
            std::fill(lengths.begin() + 144, lengths.begin() + 256, 9);
            std::fill(lengths.begin() + 256, lengths.begin() + 280, 7);
            std::fill(lengths.begin() + 280, lengths.end(), 8);
            built.literals.Build(lengths.data(), lengths.size());
            std::array<uint8_t, 32> distances;
            distances.fill(5);
            built.distances.Build(distances.data(), distances.size());
            return built;
        }();
        return tables;
    }

    void ReadDynamicCodes() {
        const size_t literalCount = Take(5) + 257;
        const size_t distanceCount = Take(5) + 1;
        const size_t codeLengthCount = Take(4) + 4;
        if (literalCount > 286) {
            Damaged();
        }
        std::array<uint8_t, 19> codeLengthLengths{};
        for (size_t i = 0; i < codeLengthCount; ++i) {
            codeLengthLengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(Take(3));
        }
        HuffmanCode codeLengths;
        codeLengths.Build(codeLengthLengths.data(), codeLengthLengths.size());
        std::array<uint8_t, 286 + 32> lengths{};
        for (size_t i = 0; i < literalCount + distanceCount;) {
            const int symbol = codeLengths.Decode(*this);
            if (symbol < 16) {
                lengths[i++] = static_cast<uint8_t>(symbol);
                continue;
            }
            uint8_t repeated = 0;
            size_t times = 0;
            if (symbol == 16) {
                if (i == 0) {
                    Damaged();
                }
                repeated = lengths[i - 1];
                times = 3 + Take(2);
            } else if (symbol == 17) {
                times = 3 + Take(3);
            } else {
                times = 11 + Take(7);
            }
            if (i + times > literalCount + distanceCount) {
                Damaged();
            }
            std::fill_n(lengths.begin() + static_cast<ptrdiff_t>(i), times, repeated);
            i += times;
        }
        if (lengths[256] == 0) {
            Damaged();  // no end of block
        }
        dynamicLiterals_.Build(lengths.data(), literalCount);
        dynamicDistances_.Build(lengths.data() + literalCount, distanceCount);
    }

    void DecodeSymbol() {
        const int symbol = literals_->Decode(*this);
        if (symbol < 256) {
            Put(static_cast<uint8_t>(symbol));
            return;
        }
        if (symbol == 256) {
            state_ = State::BlockHeader;
            return;
        }
        const size_t lengthCode = static_cast<size_t>(symbol - 257);
        if (lengthCode >= kLengthBase.size()) {
            Damaged();
        }
        const size_t length = kLengthBase[lengthCode] + Take(kLengthExtra[lengthCode]);
        const int distanceCode = distances_->Decode(*this);
        if (distanceCode >= 32) {
            Damaged();
        }
        const size_t distance = kDistanceBase[distanceCode] + Take(kDistanceExtra[distanceCode]);
        if (distance > produced_ || distance > kWindowSize) {
            Damaged();
        }
        copyLength_ = length;
        copyDistance_ = distance;
    }

    // Goes on with the pending copy; false when the output is full first.
    bool Copy() {
        while (copyLength_ > 0) {
            if (written_ == output_.size()) {
                return false;
            }
            Put(window_[(produced_ - copyDistance_) % kWindowSize]);
            --copyLength_;
        }
        return true;
    }

    std::vector<uint8_t> input_;  // compressed bytes not yet decoded
    size_t bitPosition_ = 0;      // in input_
    std::vector<uint8_t> window_;
    uint64_t produced_ = 0;
    std::span<uint8_t> output_;
    size_t written_ = 0;
    State state_ = State::BlockHeader;
    bool lastBlock_ = false;
    uint32_t storedLeft_ = 0;
    size_t copyLength_ = 0;
    size_t copyDistance_ = 0;
    const HuffmanCode* literals_ = nullptr;
    const HuffmanCode* distances_ = nullptr;
    HuffmanCode dynamicLiterals_;
    HuffmanCode dynamicDistances_;
};

}  // namespace

std::unique_ptr<MethodDecoder> MakeDeflate64Decoder() {
    return std::make_unique<Deflate64Decoder>();
}

}  // namespace sevenzip32

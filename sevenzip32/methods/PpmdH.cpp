// The model lives in one block of the size the encoder chose, addressed by 32-bit offsets,
// and is allocated by the same rules the encoder used: when the block fills, both sides
// start the model anew at the same byte, so the allocator is part of the format.
//
// In the block: contexts of 12 bytes (the number of symbols seen, their total frequency,
// where their states are, the context one order shorter); states of 6 bytes (symbol,
// frequency, the context or text that follows it). A context with one symbol keeps its
// state in place of the total and the pointer. Free blocks are kept in lists by size, in
// units of 12 bytes.
#include "PpmdH.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "EntryFailure.h"

namespace sevenzip32 {
namespace {

using Ref = uint32_t;  // an offset into the model's block; 0 is none

constexpr unsigned kUnitSize = 12;
constexpr unsigned kIndexCount = 38;  // sizes of free blocks: 1, 2, 3, 4, 6, 8, ... 128 units
constexpr unsigned kMostFrequency = 124;
constexpr unsigned kPeriodBits = 7;
constexpr unsigned kBinaryScale = 1u << 14;
constexpr unsigned kLeastOrder = 2;
constexpr unsigned kMostOrder = 64;
constexpr uint32_t kLeastMemory = 1u << 11;
constexpr uint32_t kMostMemory = 0xFFFFFFFF - 3 * kUnitSize;
constexpr uint32_t kTop = 1u << 24;
constexpr uint16_t kInitialBinaryEscapes[8] = {0x3CDD, 0x1F3F, 0x59BF, 0x48F3,
                                               0x64A1, 0x5ABC, 0x6632, 0x6051};
constexpr uint8_t kExpectedEscapes[16] = {25, 14, 9, 7, 5, 5, 4, 4, 4, 3, 3, 3, 2, 2, 2, 2};
constexpr size_t kInputSize = 64 * 1024;

// The tables both sides derive from the format's constants.
struct Tables {
    std::array<uint8_t, kIndexCount> indexUnits{};  // units in a block of each index
    std::array<uint8_t, 128> unitsIndex{};          // the least index holding so many units
    std::array<uint8_t, 256> escapeContext{};       // by symbols not masked, the row of escapes
    std::array<uint8_t, 256> binaryContext{};       // by the shorter context's symbols
    std::array<uint8_t, 256> highBits{};            // 8 for symbols from 0x40

    Tables() {
        for (unsigned i = 0, k = 0; i < kIndexCount; ++i) {
            for (unsigned step = i >= 12 ? 4 : (i >> 2) + 1; step > 0; --step) {
                unitsIndex[k++] = static_cast<uint8_t>(i);
            }
            indexUnits[i] = static_cast<uint8_t>(k);
        }
        binaryContext[0] = 0;
        binaryContext[1] = 2;
        std::fill(binaryContext.begin() + 2, binaryContext.begin() + 11, 4);
        std::fill(binaryContext.begin() + 11, binaryContext.end(), 6);
        unsigned i = 0;
        for (; i < 3; ++i) {
            escapeContext[i] = static_cast<uint8_t>(i);
        }
        for (unsigned m = i, k = 1; i < 256; ++i) {
            escapeContext[i] = static_cast<uint8_t>(m);
            if (--k == 0) {
                k = ++m - 2;
            }
        }
        std::fill(highBits.begin() + 0x40, highBits.end(), 8);
    }
};

const Tables& TheTables() {
    static const Tables tables;
    return tables;
}

// An adaptive estimate of the escape's frequency, for contexts seen in like situations.
struct See {
    uint16_t summ = 0;
    uint8_t shift = 0;
    uint8_t count = 0;

    unsigned Mean() {
        const unsigned mean = summ >> shift;
        summ = static_cast<uint16_t>(summ - mean);
        return mean + (mean == 0);
    }
    void Update() {
        if (shift < kPeriodBits && --count == 0) {
            summ = static_cast<uint16_t>(summ << 1);
            count = static_cast<uint8_t>(3 << shift++);
        }
    }
};

// A state's value, copied out of the block.
struct State {
    uint8_t symbol = 0;
    uint8_t frequency = 0;
    Ref successor = 0;
};

class PpmdHStream : public ByteStream {
  public:
    PpmdHStream(unsigned order, uint32_t memory, ByteStream& below, uint64_t outputSize)
        : tables_(TheTables()),
          size_(memory),
          alignOffset_(4 - (memory & 3)),
          blockSize_(alignOffset_ + static_cast<size_t>(memory) + kUnitSize),
          block_(new uint8_t[blockSize_]),
          maxOrder_(order),
          below_(below),
          input_(kInputSize),
          left_(outputSize) {
        RestartModel();
        dummySee_ = {0, kPeriodBits, 64};
    }

    size_t Read(std::span<uint8_t> into) override {
        if (!started_) {
            StartRangeDecoder();
        }
        const size_t count = static_cast<size_t>(std::min<uint64_t>(into.size(), left_));
        for (size_t i = 0; i < count; ++i) {
            const int symbol = DecodeSymbol();
            if (symbol < 0) {
                throw EntryFailure(symbol == -1 ? Reason::kDataEndsEarly : Reason::kDataDamaged);
            }
            into[i] = static_cast<uint8_t>(symbol);
        }
        left_ -= count;
        return count;
    }

  private:
    // The block's fields.
    // A field of the block; the model's own links stay within it, but what a damaged
    // stream makes of them is checked here, as data that cannot be.
    uint8_t* At(Ref at, size_t size = 1) {
        if (at > blockSize_ - size) {
            throw EntryFailure(Reason::kDataDamaged);
        }
        return block_.get() + at;
    }
    // The state of symbol among the context's, from first.
    Ref StateOf(Ref context, Ref first, uint8_t symbol) {
        const Ref end = Stats(context) + NumStats(context) * kStateSize;
        for (Ref s = first; s < end; s += kStateSize) {
            if (Symbol(s) == symbol) {
                return s;
            }
        }
        throw EntryFailure(Reason::kDataDamaged);
    }
    uint16_t Get16(Ref at) {
        uint16_t value;
        std::memcpy(&value, At(at, sizeof value), sizeof value);
        return value;
    }
    void Set16(Ref at, unsigned value) {
        const auto narrow = static_cast<uint16_t>(value);
        std::memcpy(At(at, sizeof narrow), &narrow, sizeof narrow);
    }
    Ref Get32(Ref at) {
        Ref value;
        std::memcpy(&value, At(at, sizeof value), sizeof value);
        return value;
    }
    void Set32(Ref at, Ref value) { std::memcpy(At(at, sizeof value), &value, sizeof value); }

    // A context's fields.
    uint16_t NumStats(Ref context) { return Get16(context); }
    void SetNumStats(Ref context, unsigned count) { Set16(context, count); }
    uint16_t SummFreq(Ref context) { return Get16(context + 2); }
    void SetSummFreq(Ref context, unsigned summ) { Set16(context + 2, summ); }
    Ref Stats(Ref context) { return Get32(context + 4); }
    void SetStats(Ref context, Ref stats) { Set32(context + 4, stats); }
    Ref Suffix(Ref context) { return Get32(context + 8); }
    void SetSuffix(Ref context, Ref suffix) { Set32(context + 8, suffix); }
    static Ref OneState(Ref context) { return context + 2; }

    // A state's fields.
    static constexpr Ref kStateSize = 6;
    uint8_t& Symbol(Ref state) { return *At(state); }
    uint8_t& Frequency(Ref state) { return *At(state + 1); }
    Ref Successor(Ref state) { return Get32(state + 2); }
    void SetSuccessor(Ref state, Ref successor) { Set32(state + 2, successor); }
    State Load(Ref state) { return {Symbol(state), Frequency(state), Successor(state)}; }
    void Store(Ref state, const State& value) {
        Symbol(state) = value.symbol;
        Frequency(state) = value.frequency;
        SetSuccessor(state, value.successor);
    }
    void Swap(Ref a, Ref b) {
        const State first = Load(a);
        Store(a, Load(b));
        Store(b, first);
    }

    // The allocator.
    unsigned IndexUnits(unsigned index) const { return tables_.indexUnits[index]; }
    unsigned UnitsIndex(unsigned units) const { return tables_.unitsIndex[units - 1]; }
    static Ref Bytes(unsigned units) { return units * kUnitSize; }

    void InsertNode(Ref node, unsigned index) {
        Set32(node, freeList_[index]);
        freeList_[index] = node;
    }
    Ref RemoveNode(unsigned index) {
        const Ref node = freeList_[index];
        freeList_[index] = Get32(node);
        return node;
    }
    void SplitBlock(Ref block, unsigned oldIndex, unsigned newIndex) {
        const unsigned units = IndexUnits(oldIndex) - IndexUnits(newIndex);
        block += Bytes(IndexUnits(newIndex));
        unsigned index = UnitsIndex(units);
        if (IndexUnits(index) != units) {
            const unsigned k = IndexUnits(--index);
            InsertNode(block + Bytes(k), units - k - 1);
        }
        InsertNode(block, index);
    }

    // Free blocks side by side become one, and are listed anew. A free block is marked
    // by a zero where a context's count or a state's symbol and frequency would stand,
    // its size in units beside it, and links to the next and the previous.
    void GlueFreeBlocks() {
        const Ref head = alignOffset_ + size_;
        Ref n = head;
        glueCount_ = 255;
        for (unsigned i = 0; i < kIndexCount; ++i) {
            const auto units = static_cast<uint16_t>(IndexUnits(i));
            Ref next = freeList_[i];
            freeList_[i] = 0;
            while (next != 0) {
                const Ref node = next;
                Set32(node + 4, n);  // next
                Set32(n + 8, next);  // prev
                n = next;
                next = Get32(node);
                Set16(node, 0);  // stamp
                Set16(node + 2, units);
            }
        }
        Set16(head, 1);
        Set32(head + 4, n);
        Set32(n + 8, head);
        if (lowUnit_ != highUnit_) {
            Set16(lowUnit_, 1);
        }
        while (n != head) {
            uint32_t units = Get16(n + 2);
            for (;;) {
                const Ref next = n + units * kUnitSize;
                units += Get16(next + 2);
                if (Get16(next) != 0 || units >= 0x10000) {
                    break;
                }
                Set32(Get32(next + 8) + 4, Get32(next + 4));
                Set32(Get32(next + 4) + 8, Get32(next + 8));
                Set16(n + 2, units);
            }
            n = Get32(n + 4);
        }
        for (n = Get32(head + 4); n != head;) {
            Ref node = n;
            const Ref next = Get32(n + 4);
            unsigned units = Get16(n + 2);
            for (; units > 128; units -= 128, node += Bytes(128)) {
                InsertNode(node, kIndexCount - 1);
            }
            unsigned index = UnitsIndex(units);
            if (IndexUnits(index) != units) {
                const unsigned k = IndexUnits(--index);
                InsertNode(node + Bytes(k), units - k - 1);
            }
            InsertNode(node, index);
            n = next;
        }
    }

    Ref AllocUnitsRare(unsigned index) {
        if (glueCount_ == 0) {
            GlueFreeBlocks();
            if (freeList_[index] != 0) {
                return RemoveNode(index);
            }
        }
        unsigned i = index;
        do {
            if (++i == kIndexCount) {
                const Ref bytes = Bytes(IndexUnits(index));
                --glueCount_;
                return unitsStart_ - text_ > bytes ? (unitsStart_ -= bytes) : 0;
            }
        } while (freeList_[i] == 0);
        const Ref block = RemoveNode(i);
        SplitBlock(block, i, index);
        return block;
    }
    Ref AllocUnits(unsigned index) {
        if (freeList_[index] != 0) {
            return RemoveNode(index);
        }
        const Ref bytes = Bytes(IndexUnits(index));
        if (bytes <= highUnit_ - lowUnit_) {
            const Ref block = lowUnit_;
            lowUnit_ += bytes;
            return block;
        }
        return AllocUnitsRare(index);
    }
    Ref AllocContext() {
        if (highUnit_ != lowUnit_) {
            return highUnit_ -= kUnitSize;
        }
        if (freeList_[0] != 0) {
            return RemoveNode(0);
        }
        return AllocUnitsRare(0);
    }
    Ref ShrinkUnits(Ref old, unsigned oldUnits, unsigned newUnits) {
        const unsigned i0 = UnitsIndex(oldUnits);
        const unsigned i1 = UnitsIndex(newUnits);
        if (i0 == i1) {
            return old;
        }
        if (freeList_[i1] != 0) {
            const Ref block = RemoveNode(i1);
            std::memmove(At(block, Bytes(newUnits)), At(old, Bytes(newUnits)), Bytes(newUnits));
            InsertNode(old, i0);
            return block;
        }
        SplitBlock(old, i0, i1);
        return old;
    }

    // The model.
    void RestartModel() {
        std::fill(std::begin(freeList_), std::end(freeList_), 0);
        text_ = alignOffset_;
        highUnit_ = text_ + size_;
        lowUnit_ = unitsStart_ = highUnit_ - size_ / 8 / kUnitSize * 7 * kUnitSize;
        glueCount_ = 0;

        orderFall_ = maxOrder_;
        runLength_ = initRunLength_ = -static_cast<int32_t>(std::min(maxOrder_, 12u)) - 1;
        prevSuccess_ = 0;

        minContext_ = maxContext_ = highUnit_ -= kUnitSize;
        SetSuffix(minContext_, 0);
        SetNumStats(minContext_, 256);
        SetSummFreq(minContext_, 256 + 1);
        foundState_ = lowUnit_;
        SetStats(minContext_, lowUnit_);
        for (unsigned i = 0; i < 256; ++i) {
            Store(lowUnit_ + i * kStateSize, {static_cast<uint8_t>(i), 1, 0});
        }
        lowUnit_ += Bytes(256 / 2);
        for (unsigned i = 0; i < 128; ++i) {
            for (unsigned k = 0; k < 8; ++k) {
                const auto value =
                    static_cast<uint16_t>(kBinaryScale - kInitialBinaryEscapes[k] / (i + 2));
                for (unsigned m = 0; m < 64; m += 8) {
                    binSumm_[i][k + m] = value;
                }
            }
        }
        for (unsigned i = 0; i < 25; ++i) {
            for (See& see : see_[i]) {
                see.shift = kPeriodBits - 4;
                see.summ = static_cast<uint16_t>((5 * i + 10) << see.shift);
                see.count = 4;
            }
        }
    }

    // The chain of contexts for the found symbol, down from where the longest one ended:
    // each new context holds that symbol alone, with a frequency guessed from the context
    // under it. Returns 0 where the block is full.
    Ref CreateSuccessors(bool skip) {
        Ref c = minContext_;
        const Ref upBranch = Successor(foundState_);
        const uint8_t foundSymbol = Symbol(foundState_);
        Ref states[kMostOrder];
        unsigned count = 0;
        if (!skip) {
            states[count++] = foundState_;
        }
        while (Suffix(c) != 0) {
            c = Suffix(c);
            Ref s = 0;
            if (NumStats(c) != 1) {
                s = StateOf(c, Stats(c), foundSymbol);
            } else {
                s = OneState(c);
            }
            const Ref successor = Successor(s);
            if (successor != upBranch) {
                c = successor;
                if (count == 0) {
                    return c;
                }
                break;
            }
            states[count++] = s;
        }
        if (count == 0) {
            return c;  // nothing to make: the model already stands here
        }
        State up{*At(upBranch), 0, upBranch + 1};
        if (NumStats(c) == 1) {
            up.frequency = Frequency(OneState(c));
        } else {
            const Ref s = StateOf(c, Stats(c), up.symbol);
            const uint32_t cf = Frequency(s) - 1u;
            const uint32_t s0 = SummFreq(c) - NumStats(c) - cf;
            up.frequency = static_cast<uint8_t>(
                1 + (2 * cf <= s0 ? (5 * cf > s0) : (2 * cf + 3 * s0 - 1) / (2 * s0)));
        }
        do {
            const Ref child = AllocContext();
            if (child == 0) {
                return 0;
            }
            SetNumStats(child, 1);
            Store(OneState(child), up);
            SetSuffix(child, c);
            SetSuccessor(states[--count], child);
            c = child;
        } while (count != 0);
        return c;
    }

    void UpdateModel() {
        const State found = Load(foundState_);
        Ref fSuccessor = found.successor;
        if (found.frequency < kMostFrequency / 4 && Suffix(minContext_) != 0) {
            const Ref c = Suffix(minContext_);
            if (NumStats(c) == 1) {
                const Ref s = OneState(c);
                if (Frequency(s) < 32) {
                    ++Frequency(s);
                }
            } else {
                Ref s = Stats(c);
                if (Symbol(s) != found.symbol) {
                    s = StateOf(c, s + kStateSize, found.symbol);
                    if (Frequency(s) >= Frequency(s - kStateSize)) {
                        Swap(s, s - kStateSize);
                        s -= kStateSize;
                    }
                }
                if (Frequency(s) < kMostFrequency - 9) {
                    Frequency(s) = static_cast<uint8_t>(Frequency(s) + 2);
                    SetSummFreq(c, SummFreq(c) + 2u);
                }
            }
        }

        if (orderFall_ == 0) {
            minContext_ = maxContext_ = CreateSuccessors(true);
            if (minContext_ == 0) {
                RestartModel();
                return;
            }
            SetSuccessor(foundState_, minContext_);
            return;
        }

        *At(text_++) = found.symbol;
        Ref successor = text_;
        if (text_ >= unitsStart_) {
            RestartModel();
            return;
        }
        if (fSuccessor != 0) {
            if (fSuccessor <= successor) {  // it points into the text: make its contexts
                const Ref made = CreateSuccessors(false);
                if (made == 0) {
                    RestartModel();
                    return;
                }
                fSuccessor = made;
            }
            if (--orderFall_ == 0) {
                successor = fSuccessor;
                text_ -= maxContext_ != minContext_;
            }
        } else {
            SetSuccessor(foundState_, successor);
            fSuccessor = minContext_;
        }

        const unsigned ns = NumStats(minContext_);
        const unsigned s0 = SummFreq(minContext_) - ns - (Frequency(foundState_) - 1u);
        const unsigned foundFrequency = Frequency(foundState_);
        for (Ref c = maxContext_; c != minContext_; c = Suffix(c)) {
            const unsigned ns1 = NumStats(c);
            if (ns1 != 1) {
                if ((ns1 & 1) == 0) {  // the states fill their units: one more
                    const unsigned oldUnits = ns1 >> 1;
                    const unsigned i = UnitsIndex(oldUnits);
                    if (i != UnitsIndex(oldUnits + 1)) {
                        const Ref block = AllocUnits(i + 1);
                        if (block == 0) {
                            RestartModel();
                            return;
                        }
                        std::memcpy(At(block, Bytes(oldUnits)), At(Stats(c), Bytes(oldUnits)),
                                    Bytes(oldUnits));
                        InsertNode(Stats(c), i);
                        SetStats(c, block);
                    }
                }
                SetSummFreq(c, SummFreq(c) + (2 * ns1 < ns) +
                                   2 * ((4 * ns1 <= ns) & (SummFreq(c) <= 8 * ns1)));
            } else {
                const Ref s = AllocUnits(0);
                if (s == 0) {
                    RestartModel();
                    return;
                }
                State only = Load(OneState(c));
                only.frequency = only.frequency < kMostFrequency / 4 - 1
                                     ? static_cast<uint8_t>(only.frequency << 1)
                                     : static_cast<uint8_t>(kMostFrequency - 4);
                Store(s, only);
                SetStats(c, s);
                SetSummFreq(c, only.frequency + initEscape_ + (ns > 3));
            }
            uint32_t cf = 2 * foundFrequency * (SummFreq(c) + 6u);
            const uint32_t sf = s0 + SummFreq(c);
            if (cf < 6 * sf) {
                cf = 1 + (cf > sf) + (cf >= 4 * sf);
                SetSummFreq(c, SummFreq(c) + 3u);
            } else {
                cf = 4 + (cf >= 9 * sf) + (cf >= 12 * sf) + (cf >= 15 * sf);
                SetSummFreq(c, SummFreq(c) + cf);
            }
            Store(Stats(c) + ns1 * kStateSize, {found.symbol, static_cast<uint8_t>(cf), successor});
            SetNumStats(c, ns1 + 1);
        }
        maxContext_ = minContext_ = fSuccessor;
    }

    // Halves the context's frequencies, keeps them in order, and drops the states that
    // fall to zero.
    void Rescale() {
        const Ref stats = Stats(minContext_);
        Ref s = foundState_;
        if (s != stats) {
            const State found = Load(s);
            for (; s != stats; s -= kStateSize) {
                Store(s, Load(s - kStateSize));
            }
            Store(s, found);
        }
        unsigned escFreq = SummFreq(minContext_) - Frequency(s);
        Frequency(s) = static_cast<uint8_t>(Frequency(s) + 4);
        const unsigned adder = orderFall_ != 0;
        Frequency(s) = static_cast<uint8_t>((Frequency(s) + adder) >> 1);
        unsigned sumFreq = Frequency(s);

        unsigned i = NumStats(minContext_) - 1u;
        do {
            s += kStateSize;
            escFreq -= Frequency(s);
            Frequency(s) = static_cast<uint8_t>((Frequency(s) + adder) >> 1);
            sumFreq += Frequency(s);
            if (Frequency(s) > Frequency(s - kStateSize)) {
                const State moved = Load(s);
                Ref s1 = s;
                do {
                    Store(s1, Load(s1 - kStateSize));
                    s1 -= kStateSize;
                } while (s1 != stats && moved.frequency > Frequency(s1 - kStateSize));
                Store(s1, moved);
            }
        } while (--i != 0);

        if (Frequency(s) == 0) {
            const unsigned numStats = NumStats(minContext_);
            do {
                ++i;
                s -= kStateSize;
            } while (Frequency(s) == 0);
            escFreq += i;
            SetNumStats(minContext_, numStats - i);
            if (NumStats(minContext_) == 1) {
                State only = Load(stats);
                do {
                    only.frequency = static_cast<uint8_t>(only.frequency - (only.frequency >> 1));
                    escFreq >>= 1;
                } while (escFreq > 1);
                InsertNode(stats, UnitsIndex((numStats + 1) >> 1));
                foundState_ = OneState(minContext_);
                Store(foundState_, only);
                return;
            }
            const unsigned n0 = (numStats + 1) >> 1;
            const unsigned n1 = (NumStats(minContext_) + 1u) >> 1;
            if (n0 != n1) {
                SetStats(minContext_, ShrinkUnits(stats, n0, n1));
            }
        }
        SetSummFreq(minContext_, sumFreq + escFreq - (escFreq >> 1));
        foundState_ = Stats(minContext_);
    }

    void NextContext() {
        const Ref c = Successor(foundState_);
        if (orderFall_ == 0 && c > text_) {
            minContext_ = maxContext_ = c;
        } else {
            UpdateModel();
        }
    }

    // After the first symbol of a context was found.
    void UpdateFirst() {
        prevSuccess_ = 2u * Frequency(foundState_) > SummFreq(minContext_);
        runLength_ += static_cast<int32_t>(prevSuccess_);
        SetSummFreq(minContext_, SummFreq(minContext_) + 4u);
        Frequency(foundState_) = static_cast<uint8_t>(Frequency(foundState_) + 4);
        if (Frequency(foundState_) > kMostFrequency) {
            Rescale();
        }
        NextContext();
    }
    // After another symbol of the context, not past an escape.
    void UpdateOther() {
        const Ref s = foundState_;
        Frequency(s) = static_cast<uint8_t>(Frequency(s) + 4);
        SetSummFreq(minContext_, SummFreq(minContext_) + 4u);
        if (Frequency(s) > Frequency(s - kStateSize)) {
            Swap(s, s - kStateSize);
            foundState_ = s - kStateSize;
            if (Frequency(foundState_) > kMostFrequency) {
                Rescale();
            }
        }
        NextContext();
    }
    // After a symbol found past an escape.
    void UpdateAfterEscape() {
        Frequency(foundState_) = static_cast<uint8_t>(Frequency(foundState_) + 4);
        SetSummFreq(minContext_, SummFreq(minContext_) + 4u);
        if (Frequency(foundState_) > kMostFrequency) {
            Rescale();
        }
        runLength_ = initRunLength_;
        UpdateModel();
    }
    void UpdateBinary() {
        Frequency(foundState_) =
            static_cast<uint8_t>(Frequency(foundState_) + (Frequency(foundState_) < 128));
        prevSuccess_ = 1;
        ++runLength_;
        NextContext();
    }

    See& MakeEscapeFrequency(unsigned numMasked, uint32_t& escFreq) {
        const unsigned numStats = NumStats(minContext_);
        if (numStats == 256) {
            escFreq = 1;
            return dummySee_;
        }
        const unsigned nonMasked = numStats - numMasked;
        See& see = see_[tables_.escapeContext[nonMasked - 1]]
                       [(nonMasked < unsigned{NumStats(Suffix(minContext_))} - numStats) +
                        2 * (SummFreq(minContext_) < 11 * numStats) + 4 * (numMasked > nonMasked) +
                        hiBitsFlag_];
        escFreq = see.Mean();
        return see;
    }

    // The range decoder.
    uint8_t NextByte() {
        if (inputAt_ == inputEnd_) {
            inputEnd_ = below_.Read(input_);
            inputAt_ = 0;
            if (inputEnd_ == 0) {
                throw EntryFailure(Reason::kDataEndsEarly);
            }
        }
        return input_[inputAt_++];
    }
    void StartRangeDecoder() {
        started_ = true;
        if (NextByte() != 0) {
            throw EntryFailure(Reason::kDataDamaged);
        }
        for (int i = 0; i < 4; ++i) {
            code_ = code_ << 8 | NextByte();
        }
        if (code_ == 0xFFFFFFFF) {
            throw EntryFailure(Reason::kDataDamaged);
        }
    }
    uint32_t Threshold(uint32_t total) { return code_ / (range_ /= total); }
    void Normalize() {
        while (range_ < kTop) {
            code_ = code_ << 8 | NextByte();
            range_ <<= 8;
        }
    }
    void Decode(uint32_t start, uint32_t size) {
        code_ -= start * range_;
        range_ *= size;
        Normalize();
    }
    unsigned DecodeBit(uint32_t size0, uint32_t total) {
        const uint32_t bound = (range_ / total) * size0;
        unsigned bit = 0;
        if (code_ < bound) {
            range_ = bound;
        } else {
            bit = 1;
            code_ -= bound;
            range_ -= bound;
        }
        Normalize();
        return bit;
    }

    // The next symbol; -1 at the end mark, -2 where the data cannot be.
    int DecodeSymbol() {
        std::array<bool, 256> masked;  // symbols ruled out by the contexts escaped from
        if (NumStats(minContext_) != 1) {
            Ref s = Stats(minContext_);
            const uint32_t count = Threshold(SummFreq(minContext_));
            uint32_t hiCnt = Frequency(s);
            if (count < hiCnt) {
                Decode(0, Frequency(s));
                foundState_ = s;
                const uint8_t symbol = Symbol(s);
                UpdateFirst();
                return symbol;
            }
            prevSuccess_ = 0;
            for (unsigned i = NumStats(minContext_) - 1u; i > 0; --i) {
                s += kStateSize;
                if ((hiCnt += Frequency(s)) > count) {
                    Decode(hiCnt - Frequency(s), Frequency(s));
                    foundState_ = s;
                    const uint8_t symbol = Symbol(s);
                    UpdateOther();
                    return symbol;
                }
            }
            if (count >= SummFreq(minContext_)) {
                return -2;
            }
            hiBitsFlag_ = tables_.highBits[Symbol(foundState_)];
            Decode(hiCnt, SummFreq(minContext_) - hiCnt);
            masked.fill(false);
            for (Ref each = Stats(minContext_); each <= s; each += kStateSize) {
                masked[Symbol(each)] = true;
            }
        } else {
            const Ref only = OneState(minContext_);
            hiBitsFlag_ = tables_.highBits[Symbol(foundState_)];
            uint16_t& probability =
                binSumm_[Frequency(only) - 1]
                        [prevSuccess_ + tables_.binaryContext[NumStats(Suffix(minContext_)) - 1] +
                         hiBitsFlag_ + 2 * tables_.highBits[Symbol(only)] +
                         ((runLength_ >> 26) & 0x20)];
            if (DecodeBit(probability, kBinaryScale) == 0) {
                probability = static_cast<uint16_t>(probability + (1 << 7) - Mean(probability));
                foundState_ = only;
                const uint8_t symbol = Symbol(only);
                UpdateBinary();
                return symbol;
            }
            probability = static_cast<uint16_t>(probability - Mean(probability));
            initEscape_ = kExpectedEscapes[probability >> 10];
            masked.fill(false);
            masked[Symbol(only)] = true;
            prevSuccess_ = 0;
        }
        for (;;) {
            const unsigned numMasked = NumStats(minContext_);
            do {
                ++orderFall_;
                if (Suffix(minContext_) == 0) {
                    return -1;
                }
                minContext_ = Suffix(minContext_);
            } while (NumStats(minContext_) == numMasked);
            Ref candidates[256];
            const unsigned count = NumStats(minContext_) - numMasked;
            uint32_t hiCnt = 0;
            Ref s = Stats(minContext_);
            for (unsigned i = 0; i != count; s += kStateSize) {
                if (!masked[Symbol(s)]) {
                    hiCnt += Frequency(s);
                    candidates[i++] = s;
                }
            }
            uint32_t freqSum = 0;
            See& see = MakeEscapeFrequency(numMasked, freqSum);
            freqSum += hiCnt;
            const uint32_t threshold = Threshold(freqSum);
            if (threshold < hiCnt) {
                unsigned i = 0;
                for (hiCnt = Frequency(candidates[0]); hiCnt <= threshold;
                     hiCnt += Frequency(candidates[++i])) {
                }
                s = candidates[i];
                Decode(hiCnt - Frequency(s), Frequency(s));
                see.Update();
                foundState_ = s;
                const uint8_t symbol = Symbol(s);
                UpdateAfterEscape();
                return symbol;
            }
            if (threshold >= freqSum) {
                return -2;
            }
            Decode(hiCnt, freqSum - hiCnt);
            see.summ = static_cast<uint16_t>(see.summ + freqSum);
            for (unsigned i = 0; i < count; ++i) {
                masked[Symbol(candidates[i])] = true;
            }
        }
    }

    static unsigned Mean(unsigned probability) { return (probability + (1 << 5)) >> kPeriodBits; }

    const Tables& tables_;
    const uint32_t size_;
    const uint32_t alignOffset_;
    const size_t blockSize_;
    std::unique_ptr<uint8_t[]> block_;
    Ref lowUnit_ = 0;
    Ref highUnit_ = 0;
    Ref text_ = 0;
    Ref unitsStart_ = 0;
    unsigned glueCount_ = 0;
    Ref freeList_[kIndexCount] = {};

    Ref minContext_ = 0;
    Ref maxContext_ = 0;
    Ref foundState_ = 0;
    unsigned orderFall_ = 0;
    unsigned initEscape_ = 0;
    unsigned prevSuccess_ = 0;
    const unsigned maxOrder_;
    unsigned hiBitsFlag_ = 0;
    int32_t runLength_ = 0;
    int32_t initRunLength_ = 0;
    See see_[25][16];
    See dummySee_;
    uint16_t binSumm_[128][64];

    ByteStream& below_;
    std::vector<uint8_t> input_;
    size_t inputAt_ = 0;
    size_t inputEnd_ = 0;
    bool started_ = false;
    uint32_t range_ = 0xFFFFFFFF;
    uint32_t code_ = 0;
    uint64_t left_;
};

}  // namespace

std::unique_ptr<ByteStream> MakePpmdHStream(std::span<const uint8_t> properties, ByteStream& below,
                                            uint64_t outputSize, uint64_t mostMemory) {
    if (properties.size() != 5) {
        throw EntryFailure(Reason::kDataDamaged);
    }
    const unsigned order = properties[0];
    const uint32_t memory = static_cast<uint32_t>(properties[1]) | properties[2] << 8 |
                            properties[3] << 16 | static_cast<uint32_t>(properties[4]) << 24;
    if (order < kLeastOrder || order > kMostOrder || memory < kLeastMemory ||
        memory > kMostMemory) {
        throw EntryFailure(Reason::kDataDamaged);
    }
    if (memory > mostMemory) {
        throw EntryFailure(Reason::kNeedsTooMuchMemory);
    }
    return std::make_unique<PpmdHStream>(order, memory, below, outputSize);
}

}  // namespace sevenzip32

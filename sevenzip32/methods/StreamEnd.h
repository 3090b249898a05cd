// Where a stream that a decoder read ahead of ended within the input of its last call.
#pragma once

#include <cstddef>

#include "EntryFailure.h"

namespace sevenzip32 {

// The bytes of the last call's input that belonged to the stream: those it consumed,
// less the whole bytes read past the stream's end, which were never part of it. Read-ahead
// reaching back into an earlier call's bytes means the stream ended before them, and
// those bytes were data of no stream.
inline size_t ConsumedUpToStreamEnd(size_t consumed, size_t readPastEnd) {
    if (readPastEnd > consumed) {
        throw EntryFailure(Reason::kDataEndsBeforeDeclaredSize);
    }
    return consumed - readPastEnd;
}

}  // namespace sevenzip32

#include "SecretBytes.h"

#include <openssl/crypto.h>

namespace sevenzip32 {

void WipeBytes(void* bytes, size_t size) {
    if (size > 0) {
        OPENSSL_cleanse(bytes, size);
    }
}

}  // namespace sevenzip32

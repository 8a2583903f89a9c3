#include "persistence/CountedDictionary.h"

#include <cstdint>

namespace fw {

std::mutex& dictionaryLock() {
    static std::mutex lock;
    return lock;
}

int dictionaryBucket(const char* key) {
    uint32_t hash = 0;
    for (int i = 0; key[i]; ++i) {
        int c = static_cast<signed char>(key[i]);
        hash ^= static_cast<uint32_t>(c) << (i % 32);
    }
    int bucket = static_cast<int32_t>(hash) % 4093;
    return bucket < 0 ? -bucket : bucket;
}

}  // namespace fw

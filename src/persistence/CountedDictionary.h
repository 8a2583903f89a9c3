#pragma once
// The counted name dictionary: a 4093-bucket string hash of reference-counted
// entries with alias links. It is every class's keyword table and each scene's
// member-name registry.

#include <cstring>
#include <mutex>
#include <new>
#include <string_view>
#include <unordered_map>

namespace fw {

// The one lock that every dictionary's find-or-insert takes: members may be
// constructed (and register keywords) inside parallel loops.
std::mutex& dictionaryLock();

// Bucket of a key: characters XOR-ed in at shifting positions, modulo a prime.
int dictionaryBucket(const char* key);

template <class V>
class CountedDictionary {
public:
    static constexpr int kBuckets = 4093;
    static constexpr int kMaxKey = 255;

    struct Entry {
        char key[kMaxKey + 1];
        V value;
        int references;
        Entry* next;
        Entry* alias;  // the entry this key now stands for (a renamed member), counted
        Entry* previous;
    };

    CountedDictionary() = default;
    CountedDictionary(const CountedDictionary&) = delete;
    CountedDictionary& operator=(const CountedDictionary&) = delete;
    ~CountedDictionary() {
        for (Entry*& head : buckets_) {
            while (head) {
                Entry* e = head;
                head = e->next;
                delete e;
            }
        }
    }

    // Returns the entry with one more reference; a new entry starts at 1 at the head
    // of its bucket. A non-empty value replaces the stored one.
    Entry* findOrInsert(const char* key, V value = V{}) {
        std::lock_guard<std::mutex> guard(dictionaryLock());
        char cut[kMaxKey + 1];
        std::string_view clipped = clip(key, cut);
        key = clipped.data();
        if (Entry* e = lookup(clipped)) {
            ++e->references;
            if (value != V{}) e->value = value;
            return e;
        }
        int b = dictionaryBucket(key);
        Entry* e = new Entry;
        std::strcpy(e->key, key);
        e->value = value;
        e->references = 1;
        e->alias = nullptr;
        e->previous = nullptr;
        e->next = buckets_[b];
        if (e->next) e->next->previous = e;
        buckets_[b] = e;
        index_.emplace(std::string_view(e->key), e);
        ++count_;
        return e;
    }

    // Looks a key up without counting it; null when absent.
    Entry* find(const char* key) const {
        std::lock_guard<std::mutex> guard(dictionaryLock());
        char cut[kMaxKey + 1];
        return lookup(clip(key, cut));
    }

    // Whether `entry` still binds `key` to `value`, checked under the lock because
    // another thread may be rebinding it.
    bool binds(const Entry* entry, const char* key, V value) const {
        std::lock_guard<std::mutex> guard(dictionaryLock());
        return entry->value == value && std::strcmp(entry->key, key) == 0;
    }

    void release(Entry* entry) {
        if (!entry || --entry->references > 0) return;
        if (entry->previous)
            entry->previous->next = entry->next;
        else
            buckets_[dictionaryBucket(entry->key)] = entry->next;
        if (entry->next) entry->next->previous = entry->previous;
        index_.erase(std::string_view(entry->key));
        --count_;
        Entry* target = entry->alias;
        delete entry;
        release(target);
    }

    // Makes `entry` stand for `target`; the link holds a reference on the target.
    void setAlias(Entry* entry, Entry* target) {
        if (target) ++target->references;
        Entry* old = entry->alias;
        entry->alias = target;
        release(old);
    }

    // Follows alias links to the entry a key finally stands for, moving the
    // caller's reference from `entry` to the result.
    Entry* resolveAlias(Entry* entry) {
        Entry* e = entry;
        while (e && e->alias) e = e->alias;
        if (e != entry) {
            ++e->references;
            release(entry);
        }
        return e;
    }

    int count() const { return count_; }

    // Visits every entry bucket by bucket.
    template <class F>
    void forEach(F&& visit) const {
        for (Entry* head : buckets_)
            for (Entry* e = head; e; e = e->next) visit(*e);
    }

private:
    static std::string_view clip(const char* key, char* cut) {
        size_t n = std::strlen(key);
        if (n <= static_cast<size_t>(kMaxKey)) return {key, n};
        std::memcpy(cut, key, kMaxKey);
        cut[kMaxKey] = 0;
        return {cut, static_cast<size_t>(kMaxKey)};
    }

    Entry* lookup(std::string_view key) const {
        auto it = index_.find(key);
        return it == index_.end() ? nullptr : it->second;
    }

    // The buckets keep the entries' placement and iteration order; the index finds a
    // key at a flat cost, since similar names (Group 1, Group 2, ...) crowd into few buckets.
    Entry* buckets_[kBuckets] = {};
    // A hasher of our own: the library's string hasher makes small tables (most
    // classes' keyword tables) compare the key against every entry instead.
    struct KeyHash {
        size_t operator()(std::string_view key) const noexcept { return std::hash<std::string_view>{}(key); }
    };
    std::unordered_map<std::string_view, Entry*, KeyHash> index_;
    int count_ = 0;
};

}  // namespace fw

#include "scene/NameReference.h"

namespace fw {

NameReference::NameReference(NameDictionary& dictionary, const char* name)
    : dictionary_(&dictionary), entry_(dictionary.findOrInsert(name)) {}

NameReference::NameReference(const NameReference& other)
    : dictionary_(other.dictionary_), entry_(other.entry_) {
    if (entry_) dictionary_->findOrInsert(entry_->key);
}

NameReference& NameReference::operator=(const NameReference& other) {
    if (this == &other) return *this;
    NameReference copy(other);
    clear();
    dictionary_ = copy.dictionary_;
    entry_ = copy.entry_;
    copy.entry_ = nullptr;
    return *this;
}

NameReference::~NameReference() { clear(); }

void NameReference::clear() {
    if (entry_) dictionary_->release(entry_);
    entry_ = nullptr;
}

void NameReference::adopt(NameDictionary& dictionary, NameDictionary::Entry* entry) {
    clear();
    dictionary_ = &dictionary;
    entry_ = entry;
}

SceneMember* NameReference::resolve() {
    if (!entry_) return nullptr;
    if (entry_->alias) entry_ = dictionary_->resolveAlias(entry_);
    return entry_->value;
}

std::string NameReference::name() {
    if (!entry_) return std::string();
    resolve();
    return entry_->key;
}

}  // namespace fw

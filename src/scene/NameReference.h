#pragma once
// A counted reference into a scene's name dictionary. Links, parents and material
// references hold one, so renaming the member they name keeps them pointing at it.

#include <string>

#include "persistence/CountedDictionary.h"

namespace fw {

class SceneMember;
using NameDictionary = CountedDictionary<SceneMember*>;

class NameReference {
public:
    NameReference() = default;
    // Takes a counted reference to `name`, creating an empty entry for a name that no
    // member holds yet (a forward reference while loading).
    NameReference(NameDictionary& dictionary, const char* name);
    NameReference(const NameReference& other);
    NameReference& operator=(const NameReference& other);
    ~NameReference();

    // Follows renames (moving this reference along) and answers the member, or null.
    SceneMember* resolve();
    // The name the reference now stands for, after renames.
    std::string name();
    bool empty() const { return entry_ == nullptr; }
    void clear();
    NameDictionary::Entry* entry() const { return entry_; }
    // Takes over an entry whose count the caller already raised.
    void adopt(NameDictionary& dictionary, NameDictionary::Entry* entry);

private:
    NameDictionary* dictionary_ = nullptr;
    NameDictionary::Entry* entry_ = nullptr;
};

}  // namespace fw

#pragma once
// One input of a port: the source member (by counted name, so renames are followed),
// the source port, and the settings the source's result is wanted with.

#include <memory>

#include "scene/NameReference.h"
#include "scene/Settings.h"

namespace fw {

class OutputPort;

class InputLink {
public:
    // Appends itself to `port`'s inputs; the port owns it.
    InputLink(OutputPort* port, const char* name);
    ~InputLink();
    InputLink(const InputLink&) = delete;
    InputLink& operator=(const InputLink&) = delete;

    // Connects to the port named `portName` of the member `member` names. A member
    // without such a port prints "bad link" and leaves the link as it was.
    bool connect(const NameReference& member, const char* portName);
    void setSettings(const Settings* settings);

    const char* name() const { return name_; }
    OutputPort* owningPort() const { return port_; }
    OutputPort* source() const { return source_; }
    NameReference& sourceMember() { return member_; }
    const Settings* settings() const { return settings_.get(); }
    // The source's result for this link's settings, brought up to date; null if none.
    void* sourceValue();

private:
    OutputPort* port_;
    char name_[64];
    NameReference member_;
    OutputPort* source_ = nullptr;
    std::unique_ptr<Settings> settings_;
};

}  // namespace fw

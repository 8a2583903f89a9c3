#pragma once
// The untyped part of a port's input (code declares the typed `Input<T>` of
// scene/Port.h): the source member (by counted name, so renames are followed), the
// source port, and the settings the source's result is wanted with.

#include <memory>

#include "scene/NameReference.h"
#include "scene/Settings.h"

namespace fw {

class OutputPort;

class InputLink {
public:
    // Appends itself to `port`'s inputs; it is a member of that port.
    InputLink(OutputPort* port, const char* name);
    virtual ~InputLink();
    InputLink(const InputLink&) = delete;
    InputLink& operator=(const InputLink&) = delete;

    // Connects to the port named `portName` of the member `member` names. A member
    // without such a port prints "bad link"; a port whose result or settings are not of
    // the types this input reads is refused with a message naming both. Either way the
    // link stays as it was.
    bool connect(const NameReference& member, const char* portName);
    // Reads nothing until connected again.
    void disconnect();
    // The settings the source is asked for (null: whatever it holds).
    template <class S>
    void setSettings(const S* settings) {
        if (settings) {
            SettingsOf<S> held(*settings);
            setAnySettings(&held);
        } else {
            setAnySettings(nullptr);
        }
    }
    void setAnySettings(const Settings* settings);

    const char* name() const { return name_; }
    OutputPort* owningPort() const { return port_; }
    OutputPort* source() const { return source_; }
    NameReference& sourceMember() { return member_; }
    const Settings* settings() const { return settings_.get(); }

protected:
    // Whether the port's result is of the type this input reads.
    virtual bool readsResultOf(OutputPort& port) const = 0;
    // The source brought up to date for `wanted` (null: the link's own settings).
    bool refreshSource(const Settings* wanted);

private:
    bool compatible(OutputPort& port, const Settings* settings) const;

    OutputPort* port_;
    char name_[64];
    NameReference member_;
    OutputPort* source_ = nullptr;
    std::unique_ptr<Settings> settings_;
};

}  // namespace fw

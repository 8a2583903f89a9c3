#pragma once
// The untyped machinery under every port (see scene/Port.h for the typed port that
// members declare): a lazily computed result owned by a scene member. A port
// recomputes only when asked and stale: dirty, given different settings, or one of
// its sources was recomputed after it (every computation takes a fresh stamp from one
// counter).

#include <cstdint>
#include <memory>
#include <typeinfo>

#include "platform/GrowableArray.h"
#include "scene/Settings.h"

namespace fw {

class InputLink;
class SceneMember;

class OutputPort {
public:
    // Registers the port in its owner's port registry under `name`; `settingsType` is
    // the settings value type it computes for (AnySettings: whatever its sources take).
    OutputPort(SceneMember* owner, const char* name, const std::type_info& settingsType);
    virtual ~OutputPort();
    OutputPort(const OutputPort&) = delete;
    OutputPort& operator=(const OutputPort&) = delete;

    // Releases a large result; called when an input is reconnected.
    virtual void reset() {}
    virtual bool isValid();
    virtual void touch();
    virtual bool hasUnconnectedInput();
    // Brings the result up to date: recomputes when stale. False when the computation
    // failed (the port then stays stale).
    virtual bool refresh();
    // The same after making the stored settings equal to the wanted ones (null: keep).
    bool refresh(const Settings* wanted);
    // Makes the stored settings equal to the wanted ones, dirtying the port if they differ.
    void prepareAny(const Settings* wanted);
    // The result was put in place from current inputs for the stored settings by other
    // code (a batch built on several threads, or a later stage building it on the way):
    // it counts as computed now, as after a refresh.
    void adoptComputed();
    // Gives back a current result's storage (through reset) while the port stays
    // current: the next read computes it again from the same inputs, which gives the
    // same result and does not count as a change. For intermediate results that
    // nothing reads once the later stages are built.
    void evict();
    bool evicted() const { return evicted_; }
    // Other code put an evicted result back in place, as a read would have.
    void adoptRestored() { evicted_ = false; }

    const char* name() const { return name_; }
    SceneMember* owner() const { return owner_; }
    const Settings* storedSettings() const { return settings_.get(); }
    const std::type_info& settingsType() const { return *settingsType_; }
    // Whether a request with these settings (null: none) can be made of this port.
    bool takesSettings(const Settings* settings) const;
    bool dirty() const { return dirty_; }
    // Owners call this whenever a parameter that feeds the port changes.
    void setDirty() { dirty_ = true; }
    uint32_t stamp() const { return stamp_; }
    int inputCount() const { return inputs_.count(); }
    InputLink* input(int i) const { return inputs_[i]; }
    // Links by name, for the registry and for tests; code holds its typed inputs.
    InputLink* input(const char* name) const;

    // The process-wide port counter (never 0 once used) and hold switch; while the
    // switch is set every port reports itself valid.
    static uint32_t counter();
    static void setCounter(uint32_t value);
    static bool hold();
    static void setHold(bool on);

protected:
    // Computes the result into the port's own storage from its inputs.
    virtual bool computeAny(const Settings* settings) = 0;
    void takeStamp();

private:
    friend class InputLink;

    char name_[64];
    const std::type_info* settingsType_;
    std::unique_ptr<Settings> settings_;
    bool dirty_ = false;
    bool evicted_ = false;
    uint32_t stamp_ = 0;
    GrowableArray<InputLink*> inputs_{10};  // the port's own members, in declaration order
    SceneMember* owner_;
};

}  // namespace fw

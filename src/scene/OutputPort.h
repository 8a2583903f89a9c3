#pragma once
// A lazily computed, cached result owned by a scene member. A port recomputes only
// when asked and stale: dirty, given different settings, or one of its sources was
// recomputed after it (every computation takes a fresh stamp from one counter).

#include <cstdint>
#include <memory>

#include "platform/GrowableArray.h"
#include "scene/Settings.h"

namespace fw {

class InputLink;
class SceneMember;

class OutputPort {
public:
    // Registers the port in its owner's port registry under `name`.
    OutputPort(SceneMember* owner, const char* name);
    virtual ~OutputPort();
    OutputPort(const OutputPort&) = delete;
    OutputPort& operator=(const OutputPort&) = delete;

    // Computes the result into the port's own storage from its inputs.
    virtual bool compute(const Settings* settings) = 0;
    virtual void* result() = 0;
    // Releases a large result; called when an input is reconnected.
    virtual void reset() {}
    virtual bool isValid();
    virtual void touch();
    virtual bool hasUnconnectedInput();
    // Makes the stored settings equal to the wanted ones, dirtying the port if they differ.
    virtual void prepare(const Settings* wanted);
    virtual void* get(const Settings* wanted);
    // Recomputes when stale; null when the computation failed.
    virtual void* update();
    virtual void* value();
    virtual void* getAs(const Settings* wanted);

    const char* name() const { return name_; }
    SceneMember* owner() const { return owner_; }
    const Settings* settings() const { return settings_.get(); }
    bool dirty() const { return dirty_; }
    // Owners call this whenever a parameter that feeds the port changes.
    void setDirty() { dirty_ = true; }
    uint32_t stamp() const { return stamp_; }
    int inputCount() const { return inputs_.count(); }
    InputLink* input(int i) const { return inputs_[i]; }
    InputLink* input(const char* name) const;

    // The process-wide port counter (never 0 once used) and hold switch; while the
    // switch is set every port reports itself valid.
    static uint32_t counter();
    static void setCounter(uint32_t value);
    static bool hold();
    static void setHold(bool on);

protected:
    void takeStamp();

private:
    friend class InputLink;

    char name_[64];
    std::unique_ptr<Settings> settings_;
    bool dirty_ = false;
    uint32_t stamp_ = 0;
    GrowableArray<InputLink*> inputs_{10};
    SceneMember* owner_;
};

}  // namespace fw

#include "scene/OutputPort.h"

#include <cstdio>
#include <cstring>

#include "scene/InputLink.h"
#include "scene/SceneMember.h"

namespace fw {

namespace {
uint32_t portCounter = 0;
bool holdSwitch = false;
}  // namespace

uint32_t OutputPort::counter() { return portCounter; }
void OutputPort::setCounter(uint32_t value) { portCounter = value; }
bool OutputPort::hold() { return holdSwitch; }
void OutputPort::setHold(bool on) { holdSwitch = on; }

OutputPort::OutputPort(SceneMember* owner, const char* name, const std::type_info& settingsType)
    : settingsType_(&settingsType), owner_(owner) {
    std::strncpy(name_, name, sizeof name_ - 1);
    name_[sizeof name_ - 1] = 0;
    if (owner_) owner_->addPort(this);
}

OutputPort::~OutputPort() {
    if (owner_) owner_->removePort(this);
}

InputLink* OutputPort::input(const char* name) const {
    for (int i = 0; i < inputs_.count(); ++i)
        if (std::strcmp(inputs_[i]->name(), name) == 0) return inputs_[i];
    return nullptr;
}

void OutputPort::takeStamp() {
    // 0 means "never computed", so the counter skips it when it wraps.
    if (++portCounter == 0) portCounter = 1;
    stamp_ = portCounter;
}

bool OutputPort::takesSettings(const Settings* settings) const {
    return !settings || *settingsType_ == typeid(AnySettings) || settings->type() == *settingsType_;
}

bool OutputPort::isValid() {
    if (holdSwitch) return true;
    if (dirty_) return false;
    for (int i = 0; i < inputs_.count(); ++i) {
        InputLink* link = inputs_[i];
        OutputPort* source = link->source();
        bool fresh = source != nullptr;
        if (fresh && link->settings())
            fresh = source->storedSettings() && link->settings()->equals(*source->storedSettings());
        // Unsigned: stamps past 2^31 still order correctly.
        fresh = fresh && stamp_ > source->stamp() && source->isValid();
        if (!fresh) {
            dirty_ = true;
            return false;
        }
    }
    return true;
}

void OutputPort::touch() {
    dirty_ = false;
    takeStamp();
    for (int i = 0; i < inputs_.count(); ++i)
        if (OutputPort* source = inputs_[i]->source()) source->touch();
}

bool OutputPort::hasUnconnectedInput() {
    for (int i = 0; i < inputs_.count(); ++i)
        if (!inputs_[i]->source()) return true;
    return false;
}

void OutputPort::prepareAny(const Settings* wanted) {
    if (!wanted) return;
    if (!takesSettings(wanted)) {  // connections check this, so only a coding slip gets here
        std::fprintf(stderr, "port %s: settings of the wrong type ignored\n", name_);
        return;
    }
    if (!settings_ || !wanted->equals(*settings_)) {
        settings_ = wanted->clone();
        dirty_ = true;
    }
}

bool OutputPort::refresh() {
    if (!isValid()) {
        if (!computeAny(settings_.get())) return false;
        dirty_ = false;
        evicted_ = false;
        takeStamp();
    } else if (evicted_) {
        if (!computeAny(settings_.get())) return false;
        evicted_ = false;
    }
    return true;
}

void OutputPort::adoptComputed() {
    dirty_ = false;
    evicted_ = false;
    takeStamp();
}

void OutputPort::evict() {
    if (evicted_ || !isValid()) return;
    reset();
    evicted_ = true;
}

bool OutputPort::refresh(const Settings* wanted) {
    prepareAny(wanted);
    return refresh();
}

}  // namespace fw

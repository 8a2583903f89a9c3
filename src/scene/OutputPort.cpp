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

OutputPort::OutputPort(SceneMember* owner, const char* name) : owner_(owner) {
    std::strncpy(name_, name, sizeof name_ - 1);
    name_[sizeof name_ - 1] = 0;
    if (owner_) owner_->addPort(this);
}

OutputPort::~OutputPort() {
    for (int i = 0; i < inputs_.count(); ++i) delete inputs_[i];
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

bool OutputPort::isValid() {
    if (holdSwitch) return true;
    if (dirty_) return false;
    for (int i = 0; i < inputs_.count(); ++i) {
        InputLink* link = inputs_[i];
        OutputPort* source = link->source();
        bool fresh = source != nullptr;
        if (fresh && link->settings())
            fresh = source->settings() && !link->settings()->differs(*source->settings());
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

void OutputPort::prepare(const Settings* wanted) {
    if (!wanted) return;
    if (!settings_ || wanted->differs(*settings_)) {
        settings_ = wanted->clone();
        dirty_ = true;
    }
}

void* OutputPort::get(const Settings* wanted) {
    prepare(wanted);
    return update();
}

void* OutputPort::update() {
    if (!isValid()) {
        if (!compute(settings_.get())) return nullptr;
        dirty_ = false;
        takeStamp();
    }
    return result();
}

void* OutputPort::value() { return update(); }

void* OutputPort::getAs(const Settings* wanted) { return get(wanted); }

}  // namespace fw

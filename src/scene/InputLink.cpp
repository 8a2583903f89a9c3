#include "scene/InputLink.h"

#include <cstdio>
#include <cstring>

#include "scene/OutputPort.h"
#include "scene/SceneMember.h"

namespace fw {

InputLink::InputLink(OutputPort* port, const char* name) : port_(port) {
    std::strncpy(name_, name, sizeof name_ - 1);
    name_[sizeof name_ - 1] = 0;
    port_->inputs_.append(this);
}

InputLink::~InputLink() = default;

bool InputLink::connect(const NameReference& member, const char* portName) {
    NameReference handle = member;
    SceneMember* target = handle.resolve();
    OutputPort* port = target ? target->findPort(portName) : nullptr;
    if (!port) {
        std::fputs("bad link\n", stdout);
        return false;
    }
    member_.resolve();
    if (member_.entry() == handle.entry() && source_ == port) return true;
    member_ = handle;
    source_ = port;
    port_->setDirty();
    port_->reset();
    return true;
}

void InputLink::setSettings(const Settings* settings) {
    settings_ = settings ? settings->clone() : nullptr;
}

void* InputLink::sourceValue() { return source_ ? source_->get(settings_.get()) : nullptr; }

}  // namespace fw

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

bool InputLink::compatible(OutputPort& port, const Settings* settings) const {
    if (readsResultOf(port) && port.takesSettings(settings)) return true;
    // A wiring mistake of the code, not of a file: say which ports disagree.
    std::fprintf(stderr, "bad link: %s of %s cannot read port %s\n", name_, port_->name(), port.name());
    return false;
}

bool InputLink::connect(const NameReference& member, const char* portName) {
    NameReference handle = member;
    SceneMember* target = handle.resolve();
    OutputPort* port = target ? target->findPort(portName) : nullptr;
    if (!port) {
        std::fputs("bad link\n", stdout);
        return false;
    }
    if (!compatible(*port, settings_.get())) return false;
    member_.resolve();
    if (member_.entry() == handle.entry() && source_ == port) return true;
    member_ = handle;
    source_ = port;
    port_->setDirty();
    port_->reset();
    return true;
}

void InputLink::disconnect() {
    if (!source_) return;
    member_.clear();
    source_ = nullptr;
    port_->setDirty();
    port_->reset();
}

void InputLink::setAnySettings(const Settings* settings) {
    if (source_ && !compatible(*source_, settings)) return;
    settings_ = settings ? settings->clone() : nullptr;
}

bool InputLink::refreshSource(const Settings* wanted) {
    return source_ && source_->refresh(wanted ? wanted : settings_.get());
}

}  // namespace fw

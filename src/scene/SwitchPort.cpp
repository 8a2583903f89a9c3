#include "scene/SwitchPort.h"

namespace fw {

void SwitchPort::select(OutputPort* delegate) {
    if (delegate_ == delegate) return;
    delegate_ = delegate;
    setDirty();
}

bool SwitchPort::compute(const Settings* settings) {
    return delegate_ && delegate_->get(settings) != nullptr;
}

void* SwitchPort::result() { return delegate_ ? delegate_->result() : nullptr; }

bool SwitchPort::isValid() { return delegate_ ? delegate_->isValid() : true; }

bool SwitchPort::hasUnconnectedInput() { return delegate_ ? delegate_->hasUnconnectedInput() : true; }

}  // namespace fw

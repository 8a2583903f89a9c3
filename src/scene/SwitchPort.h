#pragma once
// A port that forwards to whichever delegate port of the same types is selected (for
// example the port of the profile a sequence shows now).

#include "scene/Port.h"

namespace fw {

template <class T, class S = NoSettings>
class SwitchPort : public Port<T, S> {
public:
    using Port<T, S>::Port;

    void select(Port<T, S>* delegate) { delegate_ = delegate; }
    Port<T, S>* delegate() const { return delegate_; }

    T* result() override { return delegate_ ? delegate_->result() : nullptr; }
    bool isValid() override { return delegate_ ? delegate_->isValid() : true; }
    bool hasUnconnectedInput() override { return delegate_ ? delegate_->hasUnconnectedInput() : true; }

protected:
    bool compute(const S* settings) override { return delegate_ && delegate_->get(settings) != nullptr; }

private:
    Port<T, S>* delegate_ = nullptr;
};

}  // namespace fw

#pragma once
// A port that forwards to whichever delegate port is selected (for example the
// geometry of the object style in force).

#include "scene/OutputPort.h"

namespace fw {

class SwitchPort : public OutputPort {
public:
    using OutputPort::OutputPort;

    void select(OutputPort* delegate);
    OutputPort* delegate() const { return delegate_; }

    bool compute(const Settings* settings) override;
    void* result() override;
    bool isValid() override;
    bool hasUnconnectedInput() override;

private:
    OutputPort* delegate_ = nullptr;
};

}  // namespace fw

#pragma once
// Which variant of a port's result is wanted (quality, 2-D preview, tolerances).

#include <memory>

namespace fw {

class Settings {
public:
    virtual ~Settings() = default;
    // True when a result computed for `other` cannot serve a request with these settings.
    virtual bool differs(const Settings& other) const = 0;
    virtual std::unique_ptr<Settings> clone() const = 0;
};

}  // namespace fw

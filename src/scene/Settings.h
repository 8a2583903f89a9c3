#pragma once
// What variant of a port's result is wanted (quality, 2-D preview, tolerances).
// Each port declares its own settings as a plain value type with `operator==`
// (defaulted, so a field added later takes part in the comparison); `Settings`
// is the type-erased copy the port machinery keeps and compares.

#include <memory>
#include <typeinfo>

namespace fw {

class Settings {
public:
    virtual ~Settings() = default;
    // True when a result computed for `other` can serve a request with these settings.
    virtual bool equals(const Settings& other) const = 0;
    virtual std::unique_ptr<Settings> clone() const = 0;
    // The value type held.
    virtual const std::type_info& type() const = 0;

    // The held value when it is an S; null otherwise.
    template <class S>
    const S* as() const;
};

template <class S>
class SettingsOf final : public Settings {
public:
    explicit SettingsOf(const S& value) : value(value) {}
    bool equals(const Settings& other) const override {
        const S* o = other.as<S>();
        return o && value == *o;
    }
    std::unique_ptr<Settings> clone() const override { return std::make_unique<SettingsOf>(value); }
    const std::type_info& type() const override { return typeid(S); }

    S value;
};

template <class S>
const S* Settings::as() const {
    return type() == typeid(S) ? &static_cast<const SettingsOf<S>*>(this)->value : nullptr;
}

// The settings of a port that has no variants.
struct NoSettings {
    bool operator==(const NoSettings&) const = default;
};

// The settings type of a port that hands its source's variants through, whatever
// their type (the deformed geometry of an object passes on its builder's settings).
using AnySettings = Settings;

}  // namespace fw

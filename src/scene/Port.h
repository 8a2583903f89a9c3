#pragma once
// Typed ports: what members declare. `Port<T, S>` computes a T for settings of type S;
// `Input<T>` reads a T from another port, which may belong to another member and is
// found by name (so links survive saving and follow renames). A connection checks
// both types, so a wrong wiring fails when it is made, not when a result is read.

#include <type_traits>

#include "scene/InputLink.h"
#include "scene/OutputPort.h"

namespace fw {

// The result side of a port, whatever its settings: what an Input<T> can read.
template <class T>
class ResultPort : public OutputPort {
public:
    using Result = T;
    using OutputPort::OutputPort;
    using OutputPort::refresh;

    // The result brought up to date; null when it cannot be computed.
    T* value() { return refresh() ? result() : nullptr; }
    T* update() { return value(); }
    // The result as it stands, without bringing it up to date.
    virtual T* result() = 0;
};

template <class T, class S = NoSettings>
class Port : public ResultPort<T> {
public:
    using SettingsType = S;
    Port(SceneMember* owner, const char* name) : ResultPort<T>(owner, name, typeid(S)) {}

    // The result for these settings (null: the stored ones), brought up to date.
    T* get(const S* wanted) {
        prepare(wanted);
        return ResultPort<T>::value();
    }
    void prepare(const S* wanted) {
        if constexpr (std::is_same_v<S, AnySettings>) {
            OutputPort::prepareAny(wanted);
        } else if (wanted) {
            SettingsOf<S> held(*wanted);
            OutputPort::prepareAny(&held);
        }
    }
    // The settings the result was last asked for; null before any request.
    const S* settings() const {
        if constexpr (std::is_same_v<S, AnySettings>)
            return OutputPort::storedSettings();
        else
            return OutputPort::storedSettings() ? OutputPort::storedSettings()->template as<S>() : nullptr;
    }

protected:
    // Computes the result for `settings` (null when none was ever asked for).
    virtual bool compute(const S* settings) = 0;

private:
    bool computeAny(const Settings* settings) final {
        if constexpr (std::is_same_v<S, AnySettings>)
            return compute(settings);
        else
            return compute(settings ? settings->template as<S>() : nullptr);
    }
};

template <class T>
class Input : public InputLink {
public:
    Input(OutputPort* port, const char* name) : InputLink(port, name) {}

    // The source's result for the link's settings, brought up to date; null if none.
    T* value() { return refreshSource(nullptr) ? sourcePort()->result() : nullptr; }
    // The same for settings of the asking port's own (the source must take an S).
    template <class S>
    T* value(const S* wanted) {
        if (!wanted) return value();
        SettingsOf<S> held(*wanted);
        return refreshSource(&held) ? sourcePort()->result() : nullptr;
    }
    ResultPort<T>* sourcePort() const { return static_cast<ResultPort<T>*>(source()); }

private:
    bool readsResultOf(OutputPort& port) const override { return dynamic_cast<ResultPort<T>*>(&port) != nullptr; }
};

}  // namespace fw

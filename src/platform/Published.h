#pragma once

#include <utility>

namespace velkor::platform {

// The one way published fields change: store the new value and announce it with the field's
// change signal, only when it differs from the old one. Returns whether it changed.
template <typename Owner, typename Value, typename NewValue, typename... SignalArgs>
bool publish(Owner* owner, Value& field, NewValue&& value, void (Owner::*changed)(SignalArgs...)) {
    if (field == value) {
        return false;
    }
    field = std::forward<NewValue>(value);
    emit(owner->*changed)(field);
    return true;
}

} // namespace velkor::platform

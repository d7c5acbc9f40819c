// Events are method pointers: an object and one of its members, raised only when assigned.
#pragma once

#include <functional>
#include <utility>

namespace tk {

template <class Signature>
class TEvent;

template <class... Args>
class TEvent<void(Args...)> {
public:
    TEvent() = default;

    template <class T, class Base>
    void Assign(T* object, void (Base::*method)(Args...)) {
        FObject = object;
        FCall = [object, method](Args... args) { (object->*method)(std::forward<Args>(args)...); };
    }
    // For handlers that are not members (tests, small programs).
    void Assign(std::function<void(Args...)> handler) {
        FObject = nullptr;
        FCall = std::move(handler);
    }
    void Clear() {
        FObject = nullptr;
        FCall = nullptr;
    }

    explicit operator bool() const { return static_cast<bool>(FCall); }
    // The object the handler belongs to (nullptr for plain handlers).
    const void* Object() const { return FObject; }

    // Raises the event; does nothing when no handler is assigned.
    void operator()(Args... args) const {
        if (FCall) FCall(std::forward<Args>(args)...);
    }

private:
    const void* FObject = nullptr;
    std::function<void(Args...)> FCall;
};

class TObject;
using TNotifyEvent = TEvent<void(TObject* Sender)>;

}  // namespace tk

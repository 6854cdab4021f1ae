#pragma once
// An event is an (object, function) pair; invoking an unassigned event does nothing.
#include <utility>

namespace fw {

template <class... Args>
class Event {
public:
    using Thunk = void (*)(void*, Args...);

    Event() noexcept = default;

    // Binds a member function: Event<int>::Of<&Form::OnValue>(form).
    template <auto Method, class T>
    static Event Of(T* object) noexcept {
        return Event(object, [](void* self, Args... args) {
            (static_cast<T*>(self)->*Method)(std::forward<Args>(args)...);
        });
    }

    Event(void* object, Thunk fn) noexcept : object_(object), fn_(fn) {}

    bool Assigned() const noexcept { return fn_ != nullptr; }
    explicit operator bool() const noexcept { return Assigned(); }
    void Clear() noexcept { object_ = nullptr, fn_ = nullptr; }

    void operator()(Args... args) const {
        if (fn_) fn_(object_, std::forward<Args>(args)...);
    }

    friend bool operator==(const Event&, const Event&) = default;

private:
    void* object_ = nullptr;
    Thunk fn_ = nullptr;
};

}  // namespace fw

#pragma once

// A value or the error that prevented it. Failures are values: nothing throws across modules.

#include <utility>
#include <variant>

namespace ketterly {

template <typename E> struct Unexpected { E error; };
template <typename E> Unexpected(E) -> Unexpected<E>;

template <typename T, typename E> class Expected {
  public:
    Expected(T value) : storage_(std::in_place_index<0>, std::move(value)) {}
    template <typename F>
    Expected(Unexpected<F> failure) : storage_(std::in_place_index<1>, std::move(failure.error)) {}

    bool hasValue() const { return storage_.index() == 0; }
    explicit operator bool() const { return hasValue(); }

    T& value() & { return std::get<0>(storage_); }
    const T& value() const& { return std::get<0>(storage_); }
    T&& value() && { return std::get<0>(std::move(storage_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const E& error() const& { return std::get<1>(storage_); }
    E&& error() && { return std::get<1>(std::move(storage_)); }

  private:
    std::variant<T, E> storage_;
};

} // namespace ketterly

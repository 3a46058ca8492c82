#pragma once

#include <QString>

#include <optional>
#include <utility>
#include <variant>

namespace imprimata {

// A failure of a file or picture operation, in words for the user (or, for an error type of
// the caller's choosing, what the caller needs to word it).
template <typename E = QString> struct Failure { E error; };
template <typename E> Failure(E) -> Failure<E>;
Failure(const char *)->Failure<QString>;

// What a fallible file or picture operation gives back: its value or why it failed. Failures
// a user can run into (a damaged picture, a full disk, a malformed mark file) travel this
// way; exceptions are left to the unexpected ones, which the command guard reports.
template <typename T, typename E = QString> class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    template <typename F>
    Result(Failure<F> failure) : state_(std::in_place_index<1>, E(std::move(failure.error))) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T &value() & { return std::get<0>(state_); }
    const T &value() const & { return std::get<0>(state_); }
    T &&value() && { return std::get<0>(std::move(state_)); }
    T &operator*() & { return value(); }
    const T &operator*() const & { return value(); }
    T *operator->() { return &value(); }
    const T *operator->() const { return &value(); }

    // Empty (a default E) when it succeeded, so a test may print it either way.
    const E &error() const {
        static const E none{};
        return ok() ? none : std::get<1>(state_);
    }

private:
    std::variant<T, E> state_;
};

template <typename E> class [[nodiscard]] Result<void, E> {
public:
    Result() = default;
    template <typename F> Result(Failure<F> failure) : error_(E(std::move(failure.error))) {}

    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }
    const E &error() const {
        static const E none{};
        return error_ ? *error_ : none;
    }

private:
    std::optional<E> error_;
};

} // namespace imprimata

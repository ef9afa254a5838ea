// An Outcome that brings a value when it is ok: what a reader, a parser or a command that makes something
// gives back. Failed and cancelled carry their reason as an Outcome does, and no value.
#pragma once

#include "model/Outcome.h"

#include <optional>
#include <utility>

namespace tsm {

template <typename T> class [[nodiscard]] Result {
public:
    // Success: the value. Implicit, so that `return value;` reads as success.
    Result(T&& value) : outcome_(Outcome::Ok()), value_(std::move(value)) {}
    Result(const T& value) : outcome_(Outcome::Ok()), value_(value) {}
    // A failed or cancelled Outcome; an ok Outcome without a value is a slip of the code.
    Result(Outcome outcome) : outcome_(std::move(outcome)) {
        if (outcome_.ok()) outcome_ = Outcome::Failed("no value was given");
    }

    bool ok() const { return outcome_.ok(); }
    bool failed() const { return outcome_.failed(); }
    bool cancelled() const { return outcome_.cancelled(); }
    explicit operator bool() const { return ok(); }
    const std::string& reason() const { return outcome_.reason(); }
    const Outcome& outcome() const& { return outcome_; }
    Outcome outcome() && { return std::move(outcome_); }

    // Only when ok.
    T& value() & { return *value_; }
    const T& value() const& { return *value_; }
    T&& value() && { return std::move(*value_); }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    T& operator*() & { return *value_; }
    const T& operator*() const& { return *value_; }

private:
    Outcome outcome_;
    std::optional<T> value_;
};

} // namespace tsm

// What a writer or an export command gives back: done, failed with a reason in words, or cancelled.
// Cancelled also covers a refusal the user was already told about in a message box; the caller then says
// nothing more, while a command-line caller still prints the reason.
#pragma once

#include <string>
#include <utility>

namespace tsm {

class [[nodiscard]] Outcome {
public:
    static Outcome Ok() { return Outcome(Kind::Ok, {}); }
    static Outcome Failed(std::string reason) { return Outcome(Kind::Failed, std::move(reason)); }
    static Outcome Cancelled(std::string reason = "cancelled") {
        return Outcome(Kind::Cancelled, std::move(reason));
    }

    bool ok() const { return kind_ == Kind::Ok; }
    bool failed() const { return kind_ == Kind::Failed; }
    bool cancelled() const { return kind_ == Kind::Cancelled; }
    explicit operator bool() const { return ok(); }
    // Empty when ok.
    const std::string& reason() const { return reason_; }

    enum class Kind { Ok, Failed, Cancelled };
    Kind kind() const { return kind_; }

private:
    Outcome(Kind kind, std::string reason) : kind_(kind), reason_(std::move(reason)) {}

    Kind kind_;
    std::string reason_;
};

} // namespace tsm

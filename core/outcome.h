// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/error_report.h"

#include <QString>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace lumivex {

// Why a call failed, as a StepFailure tells it: the report's text and, for the command line, the
// file and the system's reason.
class Failure {
public:
    enum class Kind {
        Reported,    // the input or the call: what the description says
        Encoder,     // the encoder, where one call both decodes and encodes
        OutOfMemory, // memory refused ("Out of memory"), taken back as std::bad_alloc
    };

    Failure() = default;
    explicit Failure(QString description, QString detail = QString(), Kind kind = Kind::Reported)
        : m_description(std::move(description)), m_detail(std::move(detail)), m_kind(kind) {}

    const QString &description() const noexcept { return m_description; }
    const QString &detail() const noexcept { return m_detail.isEmpty() ? m_description : m_detail; }
    Kind kind() const noexcept { return m_kind; }

    // Thrown again as the exception it was caught as: std::bad_alloc for memory, else StepFailure.
    [[noreturn]] void raise() const;

private:
    QString m_description;
    QString m_detail;
    Kind m_kind = Kind::Reported;
};

// The failure of the exception being handled, told as caughtExceptionText tells it (a
// StepFailure keeps its detail). Call it only inside a catch block.
Failure caughtFailure() noexcept;

// An empty failure, for an outcome that has none.
const Failure &noFailure() noexcept;
// The logic_error of asking a failed outcome for its value.
[[noreturn]] void throwValueOfFailure(const Failure &failure);

// What a layer's public function returns where its work can fail on ordinary input (a file
// missing, damaged, too large): the value, or the failure with its reason. Inside a layer code
// throws, because a failure deep in a decoder must unwind through library callbacks and
// several frames; at the layer's edge it becomes this value, so a caller sees in the type that
// the call can fail and no exception crosses into another layer, or a thread, unannounced. A
// caller that works with exceptions itself (a handler's numbered steps) takes it back with
// valueOrThrow.
template <class T>
class [[nodiscard]] Outcome {
    static_assert(!std::is_same_v<std::decay_t<T>, Failure>, "an Outcome's value cannot be a Failure");

public:
    Outcome(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Outcome(Failure failure) : m_state(std::in_place_index<1>, std::move(failure)) {}

    bool ok() const noexcept { return m_state.index() == 0; }

    // The value of an outcome known to be ok(); asking a failure for one is a fault of the
    // caller, thrown as std::logic_error naming the failure rather than left undefined.
    const T &value() const &
    {
        checkOk();
        return std::get<0>(m_state);
    }
    T &value() &
    {
        checkOk();
        return std::get<0>(m_state);
    }
    T value() &&
    {
        checkOk();
        return std::move(std::get<0>(m_state));
    }

    // The value, or the failure thrown as the exception it was caught as (Failure::raise).
    T valueOrThrow() &&
    {
        if (!ok())
            std::get<1>(m_state).raise();
        return std::move(std::get<0>(m_state));
    }

    // The failure; an empty one when ok().
    const Failure &failure() const noexcept { return ok() ? noFailure() : std::get<1>(m_state); }

private:
    void checkOk() const
    {
        if (!ok())
            throwValueOfFailure(std::get<1>(m_state));
    }

    std::variant<T, Failure> m_state;
};

template <>
class [[nodiscard]] Outcome<void> {
public:
    Outcome() = default;
    Outcome(Failure failure) : m_failure(std::move(failure)) {}

    bool ok() const noexcept { return !m_failure; }
    void valueOrThrow() const
    {
        if (m_failure)
            m_failure->raise();
    }
    const Failure &failure() const noexcept { return m_failure ? *m_failure : noFailure(); }

private:
    std::optional<Failure> m_failure;
};

// Runs `body` and returns what it returns, or the failure of whatever it throws: the one catch
// of a layer's public function.
template <class Body>
auto outcomeOf(Body &&body) noexcept -> Outcome<decltype(body())>
{
    try {
        if constexpr (std::is_void_v<decltype(body())>) {
            body();
            return {};
        } else {
            return body();
        }
    } catch (...) {
        return caughtFailure();
    }
}

} // namespace lumivex

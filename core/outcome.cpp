// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/outcome.h"

#include <new>
#include <stdexcept>

namespace lumivex {

void Failure::raise() const
{
    if (m_kind == Kind::OutOfMemory)
        throw std::bad_alloc();
    throw StepFailure(m_description, m_detail);
}

Failure caughtFailure() noexcept
{
    try {
        throw;
    } catch (const StepFailure &failure) {
        return Failure(failure.description(), failure.detail());
    } catch (const std::bad_alloc &) {
        return Failure(caughtExceptionText(), QString(), Failure::Kind::OutOfMemory);
    } catch (...) {
        return Failure(caughtExceptionText());
    }
}

const Failure &noFailure() noexcept
{
    static const Failure none;
    return none;
}

void throwValueOfFailure(const Failure &failure)
{
    throw std::logic_error("the value of a failed outcome was asked for: " + failure.description().toStdString());
}

} // namespace lumivex

#pragma once

#include <QString>

#include <utility>

namespace engine {

/// Outcome of an engine call. A failure always carries a sentence a person can act on,
/// naming the operation and the file where there is one.
class Status
{
public:
    Status() = default;

    static Status success() { return Status(); }
    static Status failure(QString description)
    {
        Status s;
        s.m_ok = false;
        s.m_description = std::move(description);
        return s;
    }

    bool ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    const QString &description() const { return m_description; }

private:
    bool m_ok = true;
    QString m_description;
};

/// A value or the failure that prevented it.
template <typename T> class Result
{
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Status failure) : m_status(std::move(failure)) {}

    bool ok() const { return m_status.ok(); }
    explicit operator bool() const { return ok(); }
    const Status &status() const { return m_status; }
    const QString &description() const { return m_status.description(); }
    const T &value() const { return m_value; }
    T &value() { return m_value; }
    T valueOr(T fallback) const { return ok() ? m_value : fallback; }

private:
    T m_value{};
    Status m_status;
};

} // namespace engine

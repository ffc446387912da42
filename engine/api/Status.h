#pragma once

#include <QString>

#include <utility>

namespace engine {

/// What kind of failure a Status carries, for the few places that act on the kind rather
/// than show the description.
enum class StatusCode
{
    Ok,
    /// Any failure nothing branches on.
    Failed,
    /// A source that cannot be opened for reading; reason() has the why without the path.
    CannotOpen,
    /// The reader's seek decoded past the wanted frame and must start earlier (internal).
    LandedLate,
    /// A source that is read well but cannot be copied without re-encoding; reason() says
    /// why in a few words.
    CannotCopy
};

/// Outcome of an engine call. A failure always carries a sentence a person can act on,
/// naming the operation and the file where there is one. A caller that goes on after a
/// failure says so with ignoreFailure().
class [[nodiscard]] Status
{
public:
    Status() = default;

    static Status success() { return Status(); }
    static Status failure(QString description)
    {
        return failure(StatusCode::Failed, std::move(description));
    }
    static Status failure(StatusCode code, QString description)
    {
        Status s;
        s.m_code = code;
        s.m_description = std::move(description);
        return s;
    }
    /// "Cannot open '<path>': <reason>".
    static Status cannotOpen(const QString &path, QString reason)
    {
        Status s = failure(StatusCode::CannotOpen,
                           QStringLiteral("Cannot open '%1': %2").arg(path, reason));
        s.m_reason = std::move(reason);
        return s;
    }

    /// "Cannot copy '<path>' without re-encoding: <reason>".
    static Status cannotCopy(const QString &path, QString reason)
    {
        Status s =
            failure(StatusCode::CannotCopy,
                    QStringLiteral("Cannot copy '%1' without re-encoding: %2").arg(path, reason));
        s.m_reason = std::move(reason);
        return s;
    }

    /// "Cannot write the tags of '<path>': <reason>", the reason ending without a stop so
    /// that a message can put it after words of its own.
    static Status cannotWriteTags(const QString &path, QString reason)
    {
        Status s = failure(QStringLiteral("Cannot write the tags of '%1': %2.").arg(path, reason));
        s.m_reason = std::move(reason);
        return s;
    }

    bool ok() const { return m_code == StatusCode::Ok; }
    bool failed() const { return !ok(); }
    explicit operator bool() const { return ok(); }
    StatusCode code() const { return m_code; }
    const QString &description() const { return m_description; }
    /// The description without the operation and file it names, where the failure has such
    /// a frame (a refused source: "the file is empty"); otherwise the description.
    const QString &reason() const { return m_reason.isEmpty() ? m_description : m_reason; }

private:
    StatusCode m_code = StatusCode::Ok;
    QString m_description;
    QString m_reason;
};

/// A value or the failure that prevented it.
template <typename T> class [[nodiscard]] Result
{
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Status failure) : m_status(std::move(failure)) {}

    bool ok() const { return m_status.ok(); }
    bool failed() const { return !ok(); }
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

/// Goes on after a failure on purpose. `why` says why nothing is lost by it; it is there
/// for the reader of the call, not used.
inline void ignoreFailure(const Status &, const char *why)
{
    (void)why;
}
template <typename T> void ignoreFailure(const Result<T> &, const char *why)
{
    (void)why;
}

} // namespace engine

#include "PartNames.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <map>

namespace cutting {

namespace {

QString clock(int64_t frame, int32_t sampleRate)
{
    const int64_t seconds = sampleRate > 0 ? frame / sampleRate : 0;
    return QStringLiteral("%1-%2-%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString expand(QString pattern, const std::map<QString, QString> &fields)
{
    QString out;
    for (qsizetype i = 0; i < pattern.size();) {
        if (pattern[i] == u'{') {
            const qsizetype close = pattern.indexOf(u'}', i);
            if (close > i) {
                const auto field = fields.find(pattern.mid(i + 1, close - i - 1));
                if (field != fields.end()) {
                    out += field->second;
                    i = close + 1;
                    continue;
                }
            }
        }
        out += pattern[i++];
    }
    return out;
}

QString safe(QString name)
{
    name.replace(u'/', u'_');
    name.replace(QChar(u'\0'), u'_');
    return name.trimmed();
}

} // namespace

QString defaultPartTemplate(const engine::PartList &parts)
{
    const bool titled = std::any_of(parts.parts.begin(), parts.parts.end(),
                                    [](const engine::Part &p) { return !p.title.isEmpty(); });
    return titled ? QStringLiteral("{n} - {title}") : QStringLiteral("{source} - {n}");
}

QStringList partFileNames(const QString &pattern, const engine::PartList &parts,
                          const QString &sourceBase, int32_t sampleRate, const QString &extension)
{
    const int width = int(QString::number(parts.parts.size()).size());
    QStringList names;
    QSet<QString> taken;
    int number = 0;
    for (const engine::Part &part : parts.parts) {
        const QString n = QStringLiteral("%1").arg(++number, width, 10, QLatin1Char('0'));
        const std::map<QString, QString> fields{
            {QStringLiteral("n"), n},
            {QStringLiteral("title"), part.title},
            {QStringLiteral("artist"), part.performer.isEmpty() ? parts.artist : part.performer},
            {QStringLiteral("album"), parts.album},
            {QStringLiteral("source"), sourceBase},
            {QStringLiteral("begin"), clock(part.begin, sampleRate)},
            {QStringLiteral("end"), clock(part.end, sampleRate)}};
        QString base = safe(expand(pattern, fields));
        // A field that was empty (no title) leaves only separators behind.
        if (base.isEmpty() || base.count(QRegularExpression(QStringLiteral("[^\\s\\-_.]"))) == 0)
            base = safe(sourceBase + QStringLiteral(" - ") + n);
        QString name = base + u'.' + extension;
        for (int copy = 2; taken.contains(name.toLower()); ++copy)
            name = QStringLiteral("%1 (%2).%3").arg(base).arg(copy).arg(extension);
        taken.insert(name.toLower());
        names << name;
    }
    return names;
}

} // namespace cutting

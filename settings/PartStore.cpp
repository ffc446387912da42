// The part lists of the sources used last, as an array of the settings file: one entry per
// source, the most recent first, each with its parts as a nested array.
#include "SettingsStore.h"

#include <QSettings>

#include <vector>

namespace settings {

namespace {

const QString kPartLists = QStringLiteral("PartLists");

struct StoredList
{
    QString source;
    engine::PartList parts;
};

std::vector<StoredList> readAll(QSettings &store)
{
    std::vector<StoredList> lists;
    const int count = store.beginReadArray(kPartLists);
    for (int i = 0; i < count; ++i) {
        store.setArrayIndex(i);
        StoredList list;
        list.source = store.value(QStringLiteral("Source")).toString();
        list.parts.album = store.value(QStringLiteral("Album")).toString();
        list.parts.artist = store.value(QStringLiteral("Artist")).toString();
        const int parts = store.beginReadArray(QStringLiteral("Parts"));
        for (int k = 0; k < parts; ++k) {
            store.setArrayIndex(k);
            bool beginOk = false;
            bool endOk = false;
            engine::Part part;
            part.begin = store.value(QStringLiteral("Begin")).toLongLong(&beginOk);
            part.end = store.value(QStringLiteral("End")).toLongLong(&endOk);
            part.title = store.value(QStringLiteral("Title")).toString();
            part.performer = store.value(QStringLiteral("Performer")).toString();
            // A part edited by hand into something that is no range is left out, not guessed.
            if (beginOk && endOk && part.begin >= 0 && part.end > part.begin)
                list.parts.parts.push_back(part);
        }
        store.endArray();
        if (!list.source.isEmpty())
            lists.push_back(std::move(list));
    }
    store.endArray();
    return lists;
}

void writeAll(QSettings &store, const std::vector<StoredList> &lists)
{
    // The old array goes first: a shorter one written over it would leave its tail behind.
    store.remove(kPartLists);
    store.beginWriteArray(kPartLists, int(lists.size()));
    for (int i = 0; i < int(lists.size()); ++i) {
        const StoredList &list = lists[size_t(i)];
        store.setArrayIndex(i);
        store.setValue(QStringLiteral("Source"), list.source);
        store.setValue(QStringLiteral("Album"), list.parts.album);
        store.setValue(QStringLiteral("Artist"), list.parts.artist);
        store.beginWriteArray(QStringLiteral("Parts"), int(list.parts.parts.size()));
        for (int k = 0; k < int(list.parts.parts.size()); ++k) {
            const engine::Part &part = list.parts.parts[size_t(k)];
            store.setArrayIndex(k);
            store.setValue(QStringLiteral("Begin"), qlonglong(part.begin));
            store.setValue(QStringLiteral("End"), qlonglong(part.end));
            store.setValue(QStringLiteral("Title"), part.title);
            store.setValue(QStringLiteral("Performer"), part.performer);
        }
        store.endArray();
    }
    store.endArray();
}

} // namespace

engine::PartList SettingsStore::ReadParts(const QString &sourcePath) const
{
    for (StoredList &list : readAll(m_store))
        if (list.source == sourcePath)
            return std::move(list.parts);
    return {};
}

void SettingsStore::WriteParts(const QString &sourcePath, const engine::PartList &parts)
{
    std::vector<StoredList> lists = readAll(m_store);
    std::erase_if(lists, [&](const StoredList &list) { return list.source == sourcePath; });
    if (!parts.parts.empty())
        lists.insert(lists.begin(), {sourcePath, parts});
    if (lists.size() > size_t(kRecentPartLists))
        lists.resize(size_t(kRecentPartLists));
    writeAll(m_store, lists);
}

} // namespace settings

// Two hundred cuts in one process: no file descriptor and no memory may pile up.
#include "ConvertJob.h"
#include "Fixtures.h"
#include "TagTransfer.h"
#include "WriterTestSupport.h"
#include "engine/factory/AudioFileObject.h"
#include "engine/factory/DefaultEngineFactory.h"
#include "engine/factory/Initialise.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

} // namespace

class SoakTest : public QObject
{
    Q_OBJECT

private slots:
    void manyCuts();
};

void SoakTest::manyCuts()
{
    if (!QDir(QStringLiteral("/proc/self/fd")).exists())
        QSKIP("No /proc on this system.");
    engine::initialise();
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("short.mp3"));
    QVERIFY(fixtures::makeTone(source, 2.0, 44100, 2,
                               {QStringLiteral("-c:a"), QStringLiteral("libmp3lame"),
                                QStringLiteral("-metadata"), QStringLiteral("title=Soak")}));
    engine::AudioFileObject reader;
    auto information = engine::DefaultEngineFactory().createInformation();
    const char *extensions[] = {"mp3", "ogg", "wma", "wav"};
    auto cut = [&](int i) {
        const QString dest =
            dir.filePath(QStringLiteral("out.%1").arg(QLatin1String(extensions[i % 4])));
        QVERIFY(
            cutting::ConvertRange(reader, writertest::makerOf(), source, dest, {4410, 48510}, {}));
        const auto tags = cutting::ReadSourceTags(*information, source);
        QVERIFY(tags);
        QVERIFY(cutting::WriteTags(*information, tags.value(), dest));
    };
    // Warm up: libraries allocate their tables once.
    for (int i = 0; i < 8; ++i)
        cut(i);
    const int descriptors = openDescriptors();
    const qint64 resident = residentBytes();
    for (int i = 0; i < 200; ++i) {
        cut(i);
        if (QTest::currentTestFailed())
            return;
    }
    QCOMPARE(openDescriptors(), descriptors);
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer keeps freed memory in quarantine: resident size says nothing here.
    Q_UNUSED(resident);
    return;
#endif
    const qint64 growth = residentBytes() - resident;
    QVERIFY2(growth < 5 * 1024 * 1024,
             qPrintable(QStringLiteral("RSS grew by %1 bytes").arg(growth)));
}

QTEST_GUILESS_MAIN(SoakTest)
#include "tst_soak.moc"

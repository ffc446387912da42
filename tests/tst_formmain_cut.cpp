// The Cut command in the window, with fake engine objects: the proposed names, the busy
// state, Cancel, the outcome messages and when tags are copied; the part list and Cut All.
#include "WindowHarness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int32_t kRate = 44100;

struct Harness : WindowHarness
{
    explicit Harness(const QString &ini) : WindowHarness(ini)
    {
        for (fakes::FakeAudioFile *file : factory.files)
            file->frames = 20 * kRate;
    }
    void openAndSelect(const QString &path, double beginSeconds, double endSeconds)
    {
        dialogs.openAnswers << path;
        button("CmdOpen")->click();
        auto *slider = window->findChild<ZivSlider *>(QStringLiteral("slPosition"));
        // The marks are taken where a slider release put the sound (20 s = 1000 units).
        slider->setValue(int32_t(beginSeconds * 50));
        emit slider->MouseUp(1, 0, 0.0f, 0.0f);
        button("CmdSelStart")->click();
        slider->setValue(int32_t(endSeconds * 50));
        emit slider->MouseUp(1, 0, 0.0f, 0.0f);
        button("CmdSelStop")->click();
    }
};

} // namespace

class FormMainTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void nothingSelectedDoesNothing();
    void proposedNames();
    void cutCopiesTheRangeAndReports();
    void busyStateDuringTheJob();
    void cancelKeepsWhatWasWritten();
    void failedJobSaysWhyAndCopiesNoTags();
    void failedJobLeavesFolderAndProgress_data();
    void failedJobLeavesFolderAndProgress();
    void sourceIsNeverTheDestination();
    void platformDialogsKeepTheirWords();
    void wmaWritesNothingBesideTheDestination();
    void keepingTheEncodingCopies();
    void partListFollowsTheModel();

private:
    QString ini() const
    {
        return m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) +
                              QStringLiteral(".ini"));
    }
    QTemporaryDir m_dir;
};

void FormMainTest::nothingSelectedDoesNothing()
{
    Harness h(ini());
    h.dialogs.openAnswers << QStringLiteral("/m/song.mp3");
    h.button("CmdOpen")->click();
    h.window->cutter().cut();
    QVERIFY(h.dialogs.saveRequests.isEmpty());
}

void FormMainTest::proposedNames()
{
    Harness h(ini());
    h.window->cutter().selectFormat(2);
    h.openAndSelect(QStringLiteral("/m/a.b/Track.wav"), 1, 3);
    h.dialogs.saveAnswers << QStringLiteral("/out/x.ogg") << QString();
    h.button("CmdCut")->click();
    h.button("CmdCut")->click(); // cancelled dialog: nothing starts
    QCOMPARE(h.dialogs.saveRequests.size(), 2);
    QCOMPARE(h.dialogs.saveRequests[0].proposedName, QStringLiteral("/m/a.b/Track - 1.ogg"));
    QCOMPARE(h.dialogs.saveRequests[0].folder, QStringLiteral("/m/a.b/"));
    QCOMPARE(h.dialogs.saveRequests[1].proposedName, QStringLiteral("/m/a.b/Track - 2.ogg"));
    QCOMPARE(h.dialogs.saveRequests[1].folder, QStringLiteral("/out/"));
    const Dialogs::FileRequest &request = h.dialogs.saveRequests[0];
    QCOMPARE(request.filters.size(), 1);
    QCOMPARE(request.filters[0].description, QStringLiteral("OGG Vorbis files (*.ogg)"));
    QCOMPARE(request.filters[0].patterns, QStringList{QStringLiteral("*.ogg")});
    QCOMPARE(request.defaultSuffix, QStringLiteral("ogg"));
    // The window asks before replacing, after its own check of the name.
    QVERIFY(!request.confirmOverwrite);
    QCOMPARE(request.title, QString());

    // A source without an extension keeps its folder's dots; another file starts at 1 again.
    h.window->cutter().selectFormat(0);
    h.openAndSelect(QStringLiteral("/m/a.b/noext"), 1, 3);
    h.dialogs.saveAnswers << QString();
    h.button("CmdCut")->click();
    QCOMPARE(h.dialogs.saveRequests.last().proposedName, QStringLiteral("/m/a.b/noext - 1.mp3"));
}

void FormMainTest::cutCopiesTheRangeAndReports()
{
    Harness h(ini());
    h.openAndSelect(QStringLiteral("/m/song.mp3"), 2, 12.3);
    h.factory.information->values.title = QStringLiteral("Song");
    h.factory.information->values.date = QStringLiteral("2004-05-17");
    h.factory.information->values.track = QStringLiteral("3/12");
    h.factory.information->values.genre = QStringLiteral("Synthwave");
    h.dialogs.saveAnswers << QStringLiteral("/out/cut.mp3");
    h.factory.log.calls.clear();
    h.button("CmdCut")->click();

    const QStringList writes = h.factory.log.matching(QStringLiteral("FileW.writeBlock"));
    QCOMPARE(writes.size(), 11);
    // Exactly Begin to End: ten whole seconds and the part of the eleventh up to the mark.
    QCOMPARE(writes.last(), QStringLiteral("FileW.writeBlock(%1)").arg(int(0.3 * kRate) * 2));
    QVERIFY(h.factory.log.calls.contains(QStringLiteral("FileR.seek(88200)")));
    QVERIFY(h.factory.log.calls.contains(QStringLiteral("FileW.close()")));
    QCOMPARE(h.dialogs.messages.size(), 1);
    QCOMPARE(h.dialogs.messages[0].text, QStringLiteral("Saved - /out/cut.mp3"));
    QCOMPARE(h.dialogs.messages[0].title, QStringLiteral("Vorn Audio Cutter"));
    QCOMPARE(h.dialogs.messages[0].icon, Dialogs::Icon::None);
    QCOMPARE(h.window->windowTitle(), QStringLiteral(" Vorn Audio Cutter"));
    const engine::TagValues written =
        h.factory.information->written.at(QStringLiteral("/out/cut.mp3"));
    QCOMPARE(written.title, QStringLiteral("Song"));
    QCOMPARE(written.date, QStringLiteral("2004-05-17"));
    QCOMPARE(written.track, QStringLiteral("3/12"));
    QCOMPARE(written.genre, QStringLiteral("Synthwave"));
    QCOMPARE(h.window->cutter().state().cutNumber, 2);

    // A failed tag write is told under the saved file, not hidden behind "Saved".
    h.factory.information->writeFails = true;
    h.dialogs.saveAnswers << QStringLiteral("/out/untagged.mp3");
    h.button("CmdCut")->click();
    QCOMPARE(h.dialogs.messages.last().text,
             QStringLiteral("Saved - /out/untagged.mp3\nThe tags could not be written: the file "
                            "is read-only"));
    QCOMPARE(h.dialogs.messages.last().icon, Dialogs::Icon::None);
    h.factory.information->writeFails = false;

    // Tags off: the information object writes nothing.
    h.window->findChild<QCheckBox *>(QStringLiteral("Check1"))->click();
    h.factory.information->written.clear();
    h.dialogs.saveAnswers << QStringLiteral("/out/cut2.mp3");
    h.button("CmdCut")->click();
    QVERIFY(h.factory.information->written.empty());
}

void FormMainTest::busyStateDuringTheJob()
{
    Harness h(ini());
    h.openAndSelect(QStringLiteral("/m/song.mp3"), 1, 3);
    h.dialogs.saveAnswers << QStringLiteral("/out/cut.mp3");
    QStringList seen;
    bool checked = false;
    // Look at the window from inside the job, the first time it breathes.
    QTimer::singleShot(0, h.window.get(), [&] {
        checked = true;
        QCOMPARE(h.window->windowTitle(), QStringLiteral(" Processing, please wait..."));
        for (const char *name :
             {"CmdOpen", "CmdPausePlay", "CmdSelStart", "CmdSelStop", "CmdPreview", "CmdCut"})
            if (h.button(name)->isVisible() || !h.button(name)->isHidden())
                seen << QString::fromLatin1(name);
        for (const char *name : {"CmdHelp", "CmdAbout", "CmdSet", "CmdB", "CmdF", "CmdBB", "CmdFF"})
            if (h.button(name)->isEnabled())
                seen << QString::fromLatin1(name);
        if (h.window->findChild<QComboBox *>(QStringLiteral("ComboFormat"))->isEnabled() ||
            h.window->findChild<QCheckBox *>(QStringLiteral("Check1"))->isEnabled())
            seen << QStringLiteral("format controls");
        if (h.button("CmdCancel")->isHidden())
            seen << QStringLiteral("CmdCancel hidden");
    });
    h.button("CmdCut")->click();
    QVERIFY(checked);
    QCOMPARE(seen, QStringList());
    // All undone.
    QVERIFY(h.button("CmdCancel")->isHidden());
    for (const char *name : {"CmdOpen", "CmdCut", "CmdHelp", "CmdSet", "CmdFF"})
        QVERIFY2(!h.button(name)->isHidden() && h.button(name)->isEnabled(), name);
    QVERIFY(!h.window->cutter().isBusy());
}

void FormMainTest::cancelKeepsWhatWasWritten()
{
    Harness h(ini());
    h.openAndSelect(QStringLiteral("/m/song.mp3"), 1, 15);
    h.dialogs.saveAnswers << QStringLiteral("/out/cut.mp3");
    QTimer::singleShot(0, h.window.get(), [&] { h.button("CmdCancel")->click(); });
    h.button("CmdCut")->click();
    QCOMPARE(h.factory.log.matching(QStringLiteral("FileW.writeBlock")).size(), 1);
    QVERIFY(h.factory.log.calls.contains(QStringLiteral("FileW.close()")));
    QVERIFY(!h.factory.log.calls.contains(QStringLiteral("FileW.discard()")));
    QCOMPARE(h.dialogs.messages.last().text, QStringLiteral("Saved - /out/cut.mp3"));
    // Tags go onto the file the cancelled cut made.
    QVERIFY(h.factory.information->written.count(QStringLiteral("/out/cut.mp3")));
}

void FormMainTest::failedJobSaysWhyAndCopiesNoTags()
{
    Harness h(ini());
    h.openAndSelect(QStringLiteral("/m/song.mp3"), 1, 3);
    h.factory.files[0]->openFails = true; // FileR
    h.dialogs.saveAnswers << QStringLiteral("/out/cut.mp3");
    h.button("CmdCut")->click();
    QCOMPARE(h.dialogs.messages.size(), 1);
    QCOMPARE(h.dialogs.messages[0].title, QStringLiteral("Error"));
    QCOMPARE(h.dialogs.messages[0].icon, Dialogs::Icon::Critical);
    QCOMPARE(h.dialogs.messages[0].text.section(QStringLiteral("\r\n"), 0, 0),
             QStringLiteral("Error - "));
    QVERIFY(h.dialogs.messages[0].text.contains(QStringLiteral("Cannot open '/m/song.mp3'")));
    // No writer was made for a source that could not be read: the destination is untouched.
    QVERIFY(h.factory.log.matching(QStringLiteral("FileW.")).isEmpty());
    QVERIFY(h.factory.information->written.empty());
    QCOMPARE(h.window->cutter().state().cutNumber, 2);
    QVERIFY(!h.button("CmdCut")->isHidden());
}

void FormMainTest::failedJobLeavesFolderAndProgress_data()
{
    QTest::addColumn<bool>("failOpen");
    QTest::addColumn<int>("writesBeforeFailure");
    QTest::newRow("source cannot be read") << true << -1;
    QTest::newRow("disk full after two seconds") << false << 2;
}

// A save that failed (into a folder under /proc, say) is not remembered as the folder to
// start in, and leaves no progress shown.
void FormMainTest::failedJobLeavesFolderAndProgress()
{
    QFETCH(bool, failOpen);
    QFETCH(int, writesBeforeFailure);
    Harness h(ini());
    h.openAndSelect(QStringLiteral("/m/song.mp3"), 1, 15);
    h.factory.files[0]->openFails = failOpen; // FileR
    h.factory.writesBeforeFailure = writesBeforeFailure;
    auto *progress = h.window->findChild<QProgressBar *>(QStringLiteral("ProgressConvert"));
    int highest = 0;
    QObject::connect(progress, &QProgressBar::valueChanged, progress,
                     [&](int value) { highest = std::max(highest, value); });
    h.dialogs.saveAnswers << QStringLiteral("/proc/1/cut.mp3") << QString();
    h.button("CmdCut")->click();
    QCOMPARE(h.dialogs.messages.value(0).text.section(QStringLiteral("\r\n"), 0, 0),
             QStringLiteral("Error - "));
    QCOMPARE(h.window->cutter().state().lastFolder, QStringLiteral("/m/"));
    QCOMPARE(progress->value(), 0);
    QVERIFY(writesBeforeFailure < 0 || highest > 0);
    h.button("CmdCut")->click();
    QCOMPARE(h.dialogs.saveRequests.value(1).folder, QStringLiteral("/m/"));
}

// The source is refused before any question about replacing it; another existing file is
// asked about once, and "No" brings the dialog back on that name.
void FormMainTest::sourceIsNeverTheDestination()
{
    Harness h(ini());
    const QString source = m_dir.filePath(QStringLiteral("song.mp3"));
    const QString other = m_dir.filePath(QStringLiteral("other.mp3"));
    for (const QString &path : {source, other})
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
    h.openAndSelect(source, 1, 3);
    h.dialogs.saveAnswers << m_dir.filePath(QStringLiteral("./song.mp3")) << other << other;
    h.dialogs.replaceAnswers << false << true;
    h.button("CmdCut")->click();
    QCOMPARE(h.dialogs.saveRequests.size(), 3);
    QCOMPARE(h.dialogs.messages.size(), 2);
    QCOMPARE(h.dialogs.messages[0].text,
             QStringLiteral("The destination must not be the source file."));
    QCOMPARE(h.dialogs.messages[0].title, QStringLiteral("Error"));
    QCOMPARE(h.dialogs.replaceQuestions, (QStringList{other, other}));
    QCOMPARE(h.dialogs.saveRequests[2].proposedName, other);
    QCOMPARE(h.dialogs.messages[1].text, QStringLiteral("Saved - ") + other);
}

// The platform's own dialogs keep their own titles, and the question about replacing a file
// is the one the save dialog itself would ask.
void FormMainTest::platformDialogsKeepTheirWords()
{
    QtDialogs dialogs;
    QWidget parent;
    QStringList seen;
    auto answer = [&](bool yes) {
        QTimer::singleShot(0, &parent, [&, yes] {
            QWidget *modal = QApplication::activeModalWidget();
            QVERIFY(modal);
            seen << modal->windowTitle();
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                seen << box->text();
                box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
            } else {
                qobject_cast<QDialog *>(modal)->reject();
            }
        });
    };
    Dialogs::FileRequest request;
    request.folder = m_dir.path();
    answer(false);
    QCOMPARE(dialogs.openFile(&parent, request), QString());
    answer(false);
    QCOMPARE(dialogs.saveFile(&parent, request), QString());
    answer(false);
    QVERIFY(!dialogs.confirmReplace(&parent, m_dir.filePath(QStringLiteral("x.mp3"))));
    answer(true);
    QVERIFY(dialogs.confirmReplace(&parent, m_dir.filePath(QStringLiteral("x.mp3"))));
    QCOMPARE(seen, (QStringList{
                       QStringLiteral("Open"), QStringLiteral("Save As"), QStringLiteral("Save As"),
                       QStringLiteral("x.mp3 already exists.\nDo you want to replace it?"),
                       QStringLiteral("Save As"),
                       QStringLiteral("x.mp3 already exists.\nDo you want to replace it?")}));
}

// A pass through "<destination>$.wav" would replace a user's file of that name, and the WMA
// output is byte for byte the same without it.
void FormMainTest::wmaWritesNothingBesideTheDestination()
{
    Harness h(ini());
    h.window->cutter().selectFormat(1);
    h.openAndSelect(QStringLiteral("/m/song.mp3"), 1, 3);
    h.dialogs.saveAnswers << QStringLiteral("/out/cut.wma");
    h.button("CmdCut")->click();
    const QStringList creates = h.factory.log.matching(QStringLiteral("FileW.createForWriting"));
    QCOMPARE(creates, QStringList{QStringLiteral("FileW.createForWriting(/out/cut.wma)")});
}

void FormMainTest::keepingTheEncodingCopies()
{
    Harness h(ini());
    auto *keep = h.window->findChild<QCheckBox *>(QStringLiteral("CheckKeepEncoding"));
    QVERIFY(keep);
    QVERIFY(!keep->isChecked()); // off on first start: cuts behave as before
    QCOMPARE(keep->text(), QStringLiteral("Keep the source's encoding when the format is the "
                                          "same (no re-encoding, exact)"));
    auto *summary = h.window->findChild<QLabel *>(QStringLiteral("LabelFomartStr"));
    const QString ownSettings = summary->text();
    h.openAndSelect(QStringLiteral("/m/song.mp3"), 2, 12.3);
    QCOMPARE(summary->text(), ownSettings);
    QVERIFY(h.factory.log.matching(QStringLiteral("Copier.")).isEmpty());

    keep->click();
    QCOMPARE(h.store.ReadSetting(QStringLiteral("KeepEncoding")), QStringLiteral("1"));
    QCOMPARE(
        summary->text(),
        QStringLiteral("MP3 as in the source: 44,100 Hz, Joint Stereo, 128 Kbps, no re-encoding"));
    h.dialogs.saveAnswers << QStringLiteral("/out/copy.mp3");
    h.factory.log.calls.clear();
    h.button("CmdCut")->click();
    // The same frames the re-encoding job would take, and the tags copied after it.
    QCOMPARE(h.factory.log.matching(QStringLiteral("Copier.cut")),
             QStringList{QStringLiteral("Copier.cut(/m/song.mp3, /out/copy.mp3, 88200, 542430)")});
    QVERIFY(h.factory.log.matching(QStringLiteral("FileW.")).isEmpty());
    QVERIFY(h.factory.information->written.count(QStringLiteral("/out/copy.mp3")));
    QCOMPARE(h.dialogs.messages.last().text, QStringLiteral("Saved - /out/copy.mp3"));

    // A selection the copy refuses is re-encoded, and the summary says why.
    h.factory.copier->cutOutcome = engine::Status::cannotCopy(
        QStringLiteral("/m/song.mp3"), QStringLiteral("the selection lies within one MP3 frame"));
    h.dialogs.saveAnswers << QStringLiteral("/out/again.mp3");
    h.factory.log.calls.clear();
    h.button("CmdCut")->click();
    QVERIFY(h.factory.log.calls.contains(QStringLiteral("FileW.close()")));
    QVERIFY(summary->text().endsWith(
        QStringLiteral("(re-encoded: the selection lies within one MP3 frame)")));

    // A source that cannot be copied: the summary says why, the cut re-encodes.
    h.factory.copier->refusal = QStringLiteral("the source is OGG");
    h.window->cutter().selectFormat(0);
    QCOMPARE(summary->text(), ownSettings + QStringLiteral(" (re-encoded: the source is OGG)"));
    // A screen reader's toggle action changes the box without a click.
    keep->toggle();
    QCOMPARE(h.store.ReadSetting(QStringLiteral("KeepEncoding")), QStringLiteral("0"));
    QCOMPARE(summary->text(), ownSettings);
}

// The table shows the model's parts and choice, and gives a row picked in it back; the part
// commands are offered when they can work, and not while Cut All runs.
void FormMainTest::partListFollowsTheModel()
{
    Harness h(ini());
    QVERIFY(h.showActive());
    auto *table = h.child<QTableView>("Parts");
    QCOMPARE(table->accessibleName(), QStringLiteral("Parts"));
    const auto offered = [&h] {
        QStringList names;
        for (const char *name : {"CmdAddPart", "CmdRemovePart", "CmdSplitHere", "CmdImportCue",
                                 "CmdExportCue", "CmdCutAll"})
            if (h.button(name)->isEnabled() && !h.button(name)->isHidden())
                names << QString::fromLatin1(name).mid(3);
        return names.join(u' ');
    };
    QCOMPARE(offered(), QString());
    h.openAndSelect(QStringLiteral("/m/song.mp3"), 1, 3);
    QCOMPARE(offered(), QStringLiteral("AddPart SplitHere ImportCue"));
    h.type(Qt::Key_A);
    h.openAndSelect(QStringLiteral("/m/song.mp3"), 4, 6);
    QCOMPARE(h.window->cutter().state().parts.parts.size(), size_t(1)); // a new open, its list
    h.type(Qt::Key_A);
    h.window->cutter().markBegin(10 * kRate);
    h.window->cutter().markEnd(12 * kRate);
    h.type(Qt::Key_A);
    QCOMPARE(table->model()->rowCount(), 3);
    QCOMPARE(table->selectionModel()->selectedRows().value(0).row(), 2);
    QCOMPARE(offered(), QStringLiteral("AddPart RemovePart SplitHere ImportCue ExportCue CutAll"));
    QCOMPARE(table->model()->index(2, 1).data().toString(), QStringLiteral("00:00:10"));

    // A row picked in the table selects its part; Esc and the empty area let go of it.
    table->selectRow(0);
    QCOMPARE(h.window->cutter().state().selectedPart, 0);
    QCOMPARE(h.panel(2), QStringLiteral("Begin: 00:00:01"));
    h.type(Qt::Key_Escape);
    QCOMPARE(h.window->cutter().state().selectedPart, -1);
    QVERIFY(table->selectionModel()->selectedRows().isEmpty());
    table->selectRow(1);
    h.window->resize(900, 900);
    QTRY_VERIFY(table->viewport()->height() > table->rowViewportPosition(2) + 60);
    const QPoint empty(5, table->viewport()->height() - 3);
    QVERIFY(!table->indexAt(empty).isValid());
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, empty);
    QCOMPARE(h.window->cutter().state().selectedPart, -1);

    h.dialogs.folderAnswers << m_dir.path();
    h.dialogs.templateAnswers << QStringLiteral("{n}");
    QString during;
    QTimer::singleShot(0, h.window.get(), [&] {
        during = offered() + (table->isEnabled() ? QStringLiteral(" table") : QString());
    });
    h.type(Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(during, QString());
    QCOMPARE(h.dialogs.messages.value(0).text,
             QStringLiteral("Saved 3 files to ") + QDir::toNativeSeparators(m_dir.path()));
    QCOMPARE(offered(), QStringLiteral("AddPart SplitHere ImportCue ExportCue CutAll"));
}

QTEST_MAIN(FormMainTest)
#include "tst_formmain_cut.moc"

#include "FormMain.h"

#include "Dialogs.h"
#include "FormAbout.h"
#include "FormMp3.h"
#include "FormOGG.h"
#include "FormWAV.h"
#include "FormWMA.h"
#include "HelpWindow.h"
#include "OutputSummary.h"
#include "ProgramFiles.h"
#include "SettingsStore.h"
#include "TextNumbers.h"
#include "TimeText.h"
#include "ZivSlider.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace {

const QString kLastFormat = QStringLiteral("LastFormat");
const QString kLastFolder = QStringLiteral("LastFolder");
const QString kWindowGeometry = QStringLiteral("WindowGeometry");
const QString kKeepEncoding = QStringLiteral("KeepEncoding");

bool fitsOnAScreen(const QRect &rect)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    return std::any_of(screens.begin(), screens.end(), [&rect](const QScreen *screen) {
        return screen->availableGeometry().contains(rect);
    });
}

} // namespace

FormMain::FormMain(engine::EngineFactory &factory, Dialogs &dialogs, settings::SettingsStore &store,
                   settings::OutputSettings &output, QWidget *parent)
    : QMainWindow(parent), m_factory(factory), m_dialogs(dialogs), m_store(store), m_output(output)
{
    m_ui.setupUi(this);
    startUp(store);
    restoreRemembered();
    connectControls();
    connectKeys();
    setAcceptDrops(true);
}

FormMain::~FormMain()
{
    // The strip asks the computer for peaks until it is told there are none; then its
    // threads are joined, before any engine object goes.
    stopWaveform();
}

// Start-up goes on past every failing step: a missing engine feature, skin or stored value
// leaves that one thing at its default and the window still comes up.
void FormMain::startUp(const settings::SettingsStore &store)
{
    lastFolder.clear();
    AudioInformation = m_factory.createInformation();
    FileW = m_factory.createAudioFile();
    FileR = m_factory.createAudioFile();
    MP3Lame = m_factory.createMp3Settings();
    AudioFile = m_factory.createAudioFile();
    AudioPlayer = m_factory.createPlayer();
    Copier = m_factory.createLosslessCutter();

    for (engine::FileReading *file :
         std::initializer_list<engine::FileReading *>{FileW.get(), FileR.get(), AudioFile.get()})
        if (file)
            engine::ignoreFailure(file->setOptionFlag(true), "a flag the engine does not use");
    if (MP3Lame)
        MP3Lame->bitrate = 128;
    if (FileW) {
        engine::ignoreFailure(FileW->setDefaultOutputFormat(44100, 128, 2),
                              "the selections made next replace it");
        if (auto description = FileW->formatDescription())
            m_output.outputSummary = cutting::cleanOutputSummary(description.value());
    }
    applyLayoutAndDefaults(store);
    applySkin();
}

void FormMain::applyLayoutAndDefaults(const settings::SettingsStore &store)
{
    appFolder = programFolder();
    // CmdCancel shares CmdOpen's place in the layout; nothing to move.
    settings::SetOggDefaults(m_output);
    settings::SetWavDefaults(m_output);
    m_output.outputKind = 14;
    if (FileW)
        engine::ignoreFailure(FileW->selectWmaProfile(14), "14 is always a valid profile");

    selectFormat(0);
    const QString stored = store.ReadSetting(kLastFormat);
    // The stored text must be a number as a whole; anything else leaves the first format.
    bool isNumber = stored.isEmpty();
    const double number = stored.isEmpty() ? 0.0 : stored.trimmed().toDouble(&isNumber);
    if (isNumber)
        if (auto index = settings::roundedInto<int32_t>(number))
            selectFormat(*index);

    m_ui.slPosition->setEnabled(false);
    m_output.flgCopyTags = settings::kTrue;
    m_ui.CheckKeepEncoding->setChecked(store.ReadSetting(kKeepEncoding) == QStringLiteral("1"));
    m_ui.LabelFileName->clear();
    m_ui.LabelFormatSource->clear();
    m_ui.LabelTime->setText(TimeText(0));
}

void FormMain::applySkin()
{
    const QString skin = findProgramFile(appFolder, QStringLiteral("skin.qss"));
    if (skin.isEmpty())
        return;
    QFile file(skin);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text))
        setStyleSheet(QString::fromUtf8(file.readAll()));
}

void FormMain::connectControls()
{
    connect(m_ui.CmdOpen, &QPushButton::clicked, this, [this] { onCmdOpenClick(); });
    connect(m_ui.CmdPausePlay, &QPushButton::clicked, this, [this] { onCmdPausePlayClick(); });
    connect(m_ui.CmdPreview, &QPushButton::clicked, this, [this] { onCmdPreviewClick(); });
    connect(m_ui.CmdB, &QPushButton::clicked, this, [this] { nudge(-smallStepSamples); });
    connect(m_ui.CmdBB, &QPushButton::clicked, this, [this] { nudge(-largeStepSamples); });
    connect(m_ui.CmdF, &QPushButton::clicked, this, [this] { nudge(smallStepSamples); });
    connect(m_ui.CmdFF, &QPushButton::clicked, this, [this] { nudge(largeStepSamples); });
    connect(m_ui.CmdSelStart, &QPushButton::clicked, this, [this] { onCmdSelStartClick(); });
    connect(m_ui.CmdSelStop, &QPushButton::clicked, this, [this] { onCmdSelStopClick(); });
    connect(m_ui.CmdCut, &QPushButton::clicked, this, [this] { onCmdCutClick(); });
    connect(m_ui.CmdCancel, &QPushButton::clicked, this, [this] { onCmdCancelClick(); });
    connect(m_ui.CmdHelp, &QPushButton::clicked, this, [this] { onCmdHelpClick(); });
    connect(m_ui.CmdAbout, &QPushButton::clicked, this, [this] { onCmdAboutClick(); });
    ZivSlider *slider = m_ui.slPosition;
    connect(slider, &ZivSlider::MouseDown, this, &FormMain::onSliderMouseDown);
    connect(slider, &ZivSlider::MouseMove, this, &FormMain::onSliderMouseMove);
    connect(slider, &ZivSlider::MouseUp, this, &FormMain::onSliderMouseUp);
    connect(slider, &ZivSlider::Click, this, &FormMain::onSliderClick);
    connect(slider, &ZivSlider::KeyUp, this, &FormMain::onSliderKeyUp);
    connectPlayer();
    connectWaveform();
    // User changes reach the same handlers that program changes call directly; only the
    // user's choice is remembered for the next run.
    connect(m_ui.ComboFormat, &QComboBox::activated, this, [this](int index) {
        FormatChoice();
        m_store.WriteSetting(kLastFormat, QString::number(index));
    });
    connect(m_ui.CmdSet, &QPushButton::clicked, this, [this] { onCmdSetClick(); });
    // Check boxes follow `toggled`, not `clicked`: a screen reader's toggle action changes the
    // box without a click, and the window must not show one state and act on the other.
    connect(m_ui.Check1, &QCheckBox::toggled, this, [this] { onCheck1Click(); });
    connect(m_ui.CheckKeepEncoding, &QCheckBox::toggled, this, [this](bool checked) {
        m_store.WriteSetting(kKeepEncoding, checked ? QStringLiteral("1") : QStringLiteral("0"));
        onCheckKeepEncodingClick();
    });
}

bool FormMain::selectFormat(int index)
{
    if (index < 0 || index >= m_ui.ComboFormat->count())
        return false;
    m_ui.ComboFormat->setCurrentIndex(index);
    FormatChoice();
    return true;
}

void FormMain::FormatChoice()
{
    m_ui.CmdSet->setEnabled(true);
    const int index = m_ui.ComboFormat->currentIndex();
    std::optional<QString> wmaDescription;
    if (index == cutting::Wma && FileW) {
        engine::ignoreFailure(FileW->selectWmaProfile(m_output.outputKind),
                              "an unknown stored profile keeps the one selected");
        if (auto description = FileW->formatDescription())
            wmaDescription = description.value();
    }
    const int32_t vbrMethod = MP3Lame ? MP3Lame->vbrMethod : engine::Mp3Settings::VbrNone;
    const auto summary = cutting::buildSummary(index, m_output, vbrMethod, wmaDescription);
    if (!summary)
        return;
    m_output.outputFormatName = summary->formatName;
    if (summary->text)
        m_ui.LabelFomartStr->setText(*summary->text);
    m_summaryText = m_ui.LabelFomartStr->text();
    showCopyChoice();
}

void FormMain::onCmdSetClick()
{
    showFormatDialog(m_ui.ComboFormat->currentIndex());
    FormatChoice();
}

void FormMain::showFormatDialog(int formatIndex)
{
    if (!FileW)
        return;
    switch (formatIndex) {
    case cutting::Mp3:
        if (MP3Lame) {
            FormMp3 dialog(*MP3Lame, *FileW, m_output, this);
            dialog.exec();
        }
        break;
    case cutting::Wma: {
        FormWMA dialog(*FileW, m_output, this);
        dialog.exec();
        break;
    }
    case cutting::Ogg: {
        FormOGG dialog(
            *FileW, m_output,
            [this](QWidget *parent, const QString &text, const QString &title) {
                m_dialogs.message(parent, text, title, Dialogs::Icon::Critical);
            },
            this);
        dialog.exec();
        break;
    }
    case cutting::Wav: {
        FormWAV dialog(*FileW, m_output, this);
        dialog.exec();
        break;
    }
    default:
        break;
    }
}

void FormMain::setCaption(QPushButton *button, const QString &caption)
{
    button->setText(caption);
    button->repaint();
}

void FormMain::onCheck1Click()
{
    m_output.flgCopyTags = settings::toFlag(m_ui.Check1->isChecked());
}

void FormMain::ResetWindowState()
{
    StopPlayback();
    // A preview left running would stop the next file's playback at its first tick.
    flgPreview = settings::kFalse;
    setCaption(m_ui.CmdPreview, tr("Preview"));
    m_ui.setPanel(1, QString());
    for (QPushButton *b : {m_ui.CmdPausePlay, m_ui.CmdSelStart, m_ui.CmdSelStop, m_ui.CmdPreview,
                           m_ui.CmdCut, m_ui.CmdB, m_ui.CmdBB, m_ui.CmdF, m_ui.CmdFF})
        b->setEnabled(false);
    m_ui.slPosition->setEnabled(false);
    m_ui.slPosition->setSelLength(0);
    m_ui.slPosition->setValue(0);
    m_ui.slPosition->setSelStart(0);
    selBegin = selEnd = selLength = 0;
    selBeginSample = selEndSample = currentSample = 0;
    stopWaveform();
    for (QLabel *l : {m_ui.LabelFileName, m_ui.LabelFormatSource, m_ui.LabelTime})
        l->hide();
    m_ui.setPanel(2, tr("Begin: 00:00:00"));
    m_ui.setPanel(3, tr("End: 00:00:00"));
    m_ui.setPanel(4, tr("Current: 00:00:00"));
    m_ui.LabelFileName->clear();
    m_ui.LabelFormatSource->clear();
    m_ui.LabelTime->setText(TimeText(0));
    for (QLabel *l : {m_ui.LabelFileName, m_ui.LabelFormatSource, m_ui.LabelTime})
        l->show();
    m_copySource.clear();
    showCopyChoice();
}

HelpWindow *FormMain::helpWindow() const
{
    return m_help;
}

void FormMain::onCmdHelpClick()
{
    // A missing help page shows nothing, as a missing help file would.
    const QString page = findProgramFile(appFolder, QStringLiteral("help.html"));
    if (page.isEmpty())
        return;
    if (!m_help)
        m_help = new HelpWindow(page, this);
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void FormMain::onCmdAboutClick()
{
    FormAbout about(this);
    // The box is gone before the help shows, so the help window is not blocked behind it.
    if (about.exec() == FormAbout::HelpWanted)
        onCmdHelpClick();
}

void FormMain::restoreRemembered()
{
    // A folder that is gone or locked would only make the dialog start somewhere else.
    const QString folder = m_store.ReadSetting(kLastFolder);
    const QFileInfo info(folder);
    if (!folder.isEmpty() && info.isAbsolute() && info.isDir() && info.isReadable())
        lastFolder = withTrailingSeparator(folder);
    // A place on a screen that has been unplugged since would put the window out of reach.
    if (const auto rect = m_store.ReadRect(kWindowGeometry); rect && fitsOnAScreen(*rect))
        setGeometry(*rect);
}

void FormMain::rememberFolder(const QString &folder)
{
    lastFolder = folder;
    m_store.WriteSetting(kLastFolder, folder);
}

void FormMain::closeEvent(QCloseEvent *event)
{
    // A running cut finishes its block and closes its files first; the window closes then.
    if (flgConvert == settings::kTrue) {
        m_closeAfterCut = true;
        flgConvert = settings::kFalse;
        event->ignore();
        return;
    }
    m_store.WriteRect(kWindowGeometry,
                      isMaximized() || isFullScreen() ? normalGeometry() : geometry());
    QMainWindow::closeEvent(event);
}

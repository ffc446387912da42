#include "FormMain.h"

#include "Dialogs.h"
#include "FormAbout.h"
#include "FormFLAC.h"
#include "FormM4A.h"
#include "FormMp3.h"
#include "FormOGG.h"
#include "FormOpus.h"
#include "FormWAV.h"
#include "FormWMA.h"
#include "HelpWindow.h"
#include "OutputSummary.h"
#include "ProgramFiles.h"
#include "SettingsStore.h"
#include "TimeText.h"
#include "WaveformStrip.h"
#include "ZivSlider.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTableView>

#include <algorithm>

namespace {

const QString kWindowGeometry = QStringLiteral("WindowGeometry");

bool fitsOnAScreen(const QRect &rect)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    return std::any_of(screens.begin(), screens.end(), [&rect](const QScreen *screen) {
        return screen->availableGeometry().contains(rect);
    });
}

void setCaption(QPushButton *button, const QString &caption)
{
    if (button->text() == caption)
        return;
    button->setText(caption);
    // Shown at once: during a cut the window only paints when the job breathes.
    button->repaint();
}

} // namespace

FormMain::FormMain(engine::EngineFactory &factory, Dialogs &dialogs, settings::SettingsStore &store,
                   QWidget *parent)
    : QMainWindow(parent), m_dialogs(dialogs), m_store(store), m_cutter(factory, dialogs, store)
{
    m_ui.setupUi(this);
    m_cutter.setDialogParent(this);
    applySkin();
    restoreGeometry();
    connectModel();
    connectControls();
    connectSlider();
    connectWaveform();
    connectParts();
    connectKeys();
    showState();
    setAcceptDrops(true);
}

FormMain::~FormMain()
{
    // The strip asks the computer for peaks until it is told there are none; the model then
    // joins the computer's threads.
    m_ui.Waveform->setLength(0, 0);
}

void FormMain::applySkin()
{
    const QString skin = findProgramFile(m_cutter.state().appFolder, QStringLiteral("skin.qss"));
    if (skin.isEmpty())
        return;
    QFile file(skin);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text))
        setStyleSheet(QString::fromUtf8(file.readAll()));
}

void FormMain::connectControls()
{
    Cutter *cutter = &m_cutter;
    connect(m_ui.CmdOpen, &QPushButton::clicked, cutter, &Cutter::open);
    connect(m_ui.CmdPausePlay, &QPushButton::clicked, cutter, &Cutter::TogglePause);
    connect(m_ui.CmdPreview, &QPushButton::clicked, cutter, &Cutter::preview);
    const auto nudgeBy = [this](double sign, bool large) {
        return [this, sign, large] {
            const CutterState &s = m_cutter.state();
            m_cutter.nudge(sign * (large ? s.largeStepSamples : s.smallStepSamples));
        };
    };
    connect(m_ui.CmdB, &QPushButton::clicked, this, nudgeBy(-1, false));
    connect(m_ui.CmdBB, &QPushButton::clicked, this, nudgeBy(-1, true));
    connect(m_ui.CmdF, &QPushButton::clicked, this, nudgeBy(1, false));
    connect(m_ui.CmdFF, &QPushButton::clicked, this, nudgeBy(1, true));
    connect(m_ui.CmdSelStart, &QPushButton::clicked, cutter, &Cutter::setBegin);
    connect(m_ui.CmdSelStop, &QPushButton::clicked, cutter, &Cutter::setEnd);
    connect(m_ui.CmdCut, &QPushButton::clicked, this, &FormMain::onCmdCutClick);
    connect(m_ui.CmdCancel, &QPushButton::clicked, cutter, &Cutter::cancel);
    connect(m_ui.CmdHelp, &QPushButton::clicked, this, &FormMain::onCmdHelpClick);
    connect(m_ui.CmdAbout, &QPushButton::clicked, this, &FormMain::onCmdAboutClick);
    connect(m_ui.ComboFormat, &QComboBox::activated, cutter, &Cutter::chooseFormat);
    connect(m_ui.CmdSet, &QPushButton::clicked, this, &FormMain::showFormatDialog);
    // Check boxes follow `toggled`, not `clicked`: a screen reader's toggle action changes the
    // box without a click, and the window must not show one state and act on the other.
    connect(m_ui.CheckCopyTags, &QCheckBox::toggled, cutter, &Cutter::setCopyTags);
    connect(m_ui.CheckKeepEncoding, &QCheckBox::toggled, cutter, &Cutter::setKeepEncoding);
    connect(m_ui.CmdPlayBegin, &QPushButton::clicked, cutter, &Cutter::playBegin);
    connect(m_ui.CmdPlayEnd, &QPushButton::clicked, cutter, &Cutter::playEnd);
    connect(m_ui.chLoop, &QCheckBox::toggled, cutter, &Cutter::setLoop);
    const auto shapeFromControls = [this] {
        engine::ShapeSettings shape = m_cutter.output().shape;
        shape.fadeInSeconds = m_ui.spinFadeIn->value();
        shape.fadeOutSeconds = m_ui.spinFadeOut->value();
        static constexpr double kTargets[] = {-14, -16, -23};
        const int target = m_ui.ComboNormalise->currentIndex();
        shape.normaliseLufs =
            target >= 1 && target <= 3 ? std::optional(kTargets[target - 1]) : std::nullopt;
        shape.gainTags = m_ui.chGainTags->isChecked();
        m_cutter.setShape(shape);
        showFades();
    };
    connect(m_ui.spinFadeIn, &QDoubleSpinBox::valueChanged, this, shapeFromControls);
    connect(m_ui.spinFadeOut, &QDoubleSpinBox::valueChanged, this, shapeFromControls);
    connect(m_ui.ComboNormalise, &QComboBox::currentIndexChanged, this, shapeFromControls);
    connect(m_ui.chGainTags, &QCheckBox::toggled, this, shapeFromControls);
}

void FormMain::showShape()
{
    const engine::ShapeSettings &shape = m_cutter.output().shape;
    const QSignalBlocker blockers[] = {
        QSignalBlocker(m_ui.spinFadeIn), QSignalBlocker(m_ui.spinFadeOut),
        QSignalBlocker(m_ui.ComboNormalise), QSignalBlocker(m_ui.chGainTags)};
    m_ui.spinFadeIn->setValue(shape.fadeInSeconds);
    m_ui.spinFadeOut->setValue(shape.fadeOutSeconds);
    int target = 0;
    if (shape.normaliseLufs)
        target = *shape.normaliseLufs == -14 ? 1 : *shape.normaliseLufs == -23 ? 3 : 2;
    m_ui.ComboNormalise->setCurrentIndex(target);
    m_ui.chGainTags->setChecked(shape.gainTags);
    showFades();
}

void FormMain::showFades()
{
    const CutterState &state = m_cutter.state();
    const int32_t rate = m_ui.Waveform->sampleRate();
    const engine::ShapeSettings &shape = m_cutter.output().shape;
    const double half = double(state.selEndSample - state.selBeginSample) / 2;
    m_ui.Waveform->setFades(std::clamp(shape.fadeInSeconds * rate, 0.0, std::max(half, 0.0)),
                            std::clamp(shape.fadeOutSeconds * rate, 0.0, std::max(half, 0.0)),
                            shape.equalPower);
}

void FormMain::connectSlider()
{
    ZivSlider *slider = m_ui.slPosition;
    connect(slider, &ZivSlider::MouseDown, this,
            [this](int16_t button, int16_t, float, float) { m_cutter.sliderPressed(button); });
    connect(slider, &ZivSlider::MouseMove, this, [this, slider](int16_t, int16_t, float, float) {
        m_cutter.sliderDragged(slider->Value());
    });
    connect(slider, &ZivSlider::MouseUp, this,
            [this, slider](int16_t button, int16_t, float, float) {
                m_cutter.sliderReleased(button, slider->Value());
            });
    connect(slider, &ZivSlider::Click, this,
            [this, slider] { m_cutter.RepositionFromSlider(slider->Value(), false); });
    connect(slider, &ZivSlider::KeyUp, this, [this, slider](int16_t, int16_t) {
        // A key let go on the slider that did not move it (Shift, Tab, a letter) leaves the
        // sound where it is: a reposition would snap it to the thumb's thousandth.
        if (slider->keysMovedValue())
            m_cutter.sliderReleased(1, slider->Value());
    });
}

void FormMain::connectModel()
{
    Cutter *cutter = &m_cutter;
    connect(cutter, &Cutter::playStateChanged, this, &FormMain::showPlayState);
    connect(cutter, &Cutter::cancelPending, this, [this] { m_ui.CmdCancel->setEnabled(false); });
    connect(cutter, &Cutter::controlsEnabled, this, &FormMain::enableSourceControls);
    connect(cutter, &Cutter::panelChanged, this,
            [this](int number, const QString &text) { m_ui.setPanel(number, text); });
    connect(cutter, &Cutter::thumbMoved, m_ui.slPosition, &ZivSlider::setValue);
    connect(cutter, &Cutter::positionChanged, this,
            [this](int64_t frame) { m_ui.Waveform->setPosition(double(frame)); });
    connect(cutter, &Cutter::selectionChanged, this, &FormMain::showSelection);
    connect(cutter, &Cutter::sourceLabelsChanged, this, &FormMain::showSourceLabels);
    connect(cutter, &Cutter::sourceOpened, this, [this] {
        m_ui.slPosition->setTickNumber(10);
        m_ui.slPosition->setSelLength(0);
        m_ui.slPosition->setSelStart(0);
    });
    connect(cutter, &Cutter::waveformStarted, this, &FormMain::startWaveform);
    connect(cutter, &Cutter::waveformStopped, this, [this] { m_ui.Waveform->setLength(0, 0); });
    connect(cutter, &Cutter::formatSelected, m_ui.ComboFormat, &QComboBox::setCurrentIndex);
    connect(cutter, &Cutter::summaryChanged, m_ui.LabelSummary, &QLabel::setText);
    connect(cutter, &Cutter::progressChanged, m_ui.ProgressConvert, &QProgressBar::setValue);
    connect(cutter, &Cutter::titleChanged, this, &QWidget::setWindowTitle);
    connect(cutter, &Cutter::closeWanted, this, &QWidget::close);
}

// What the model holds when the window comes up; from then on its signals keep the window
// up to date.
void FormMain::showState()
{
    const CutterState &state = m_cutter.state();
    m_ui.ComboFormat->setCurrentIndex(int(m_cutter.output().format));
    m_ui.LabelSummary->setText(state.summaryLine);
    m_ui.CheckCopyTags->setChecked(m_cutter.copiesTags());
    m_ui.CheckKeepEncoding->setChecked(m_cutter.output().keepEncoding);
    showShape();
    enableSourceControls(false);
    showSourceLabels();
    showPlayState(state.play);
}

void FormMain::showPlayState(PlayState state)
{
    setCaption(m_ui.CmdPausePlay, state == PlayState::Playing || state == PlayState::Previewing
                                      ? tr("Pause")
                                      : tr("Play"));
    setCaption(m_ui.CmdPreview, state == PlayState::Previewing ? tr("Stop") : tr("Preview"));
    const bool busy = state == PlayState::Cutting;
    if (busy == !m_ui.CmdCancel->isHidden())
        return;
    for (QWidget *b : std::initializer_list<QWidget *>{
             m_ui.CmdOpen, m_ui.CmdPausePlay, m_ui.CmdSelStart, m_ui.CmdSelStop, m_ui.CmdPreview,
             m_ui.CmdPlayBegin, m_ui.CmdPlayEnd, m_ui.chLoop, m_ui.CmdCut})
        b->setVisible(!busy);
    for (QWidget *w : std::initializer_list<QWidget *>{
             m_ui.CmdHelp, m_ui.CmdAbout, m_ui.CmdSet, m_ui.CmdB, m_ui.CmdF, m_ui.CmdBB, m_ui.CmdFF,
             m_ui.ComboFormat, m_ui.CheckCopyTags, m_ui.CheckKeepEncoding, m_ui.Parts,
             m_ui.spinFadeIn, m_ui.spinFadeOut, m_ui.ComboNormalise, m_ui.chGainTags})
        w->setEnabled(!busy);
    showParts();
    m_ui.CmdCancel->setEnabled(busy);
    m_ui.CmdCancel->setVisible(busy);
    if (busy)
        m_ui.CmdCancel->setFocus();
}

void FormMain::enableSourceControls(bool enable)
{
    for (QPushButton *b : {m_ui.CmdPausePlay, m_ui.CmdSelStart, m_ui.CmdSelStop, m_ui.CmdB,
                           m_ui.CmdBB, m_ui.CmdF, m_ui.CmdFF})
        b->setEnabled(enable);
    m_ui.slPosition->setEnabled(enable);
    if (!enable) {
        for (QPushButton *b : {m_ui.CmdPreview, m_ui.CmdPlayBegin, m_ui.CmdPlayEnd, m_ui.CmdCut})
            b->setEnabled(false);
        m_ui.slPosition->setSelLength(0);
        m_ui.slPosition->setSelStart(0);
    }
    showParts();
}

void FormMain::showSelection()
{
    const CutterState &state = m_cutter.state();
    for (QPushButton *b : {m_ui.CmdPreview, m_ui.CmdPlayBegin, m_ui.CmdPlayEnd, m_ui.CmdCut})
        b->setEnabled(m_cutter.hasSelection());
    showFades();
    showParts();
    m_ui.slPosition->setSelStart(state.selBegin);
    m_ui.slPosition->setSelLength(state.selLength);
    m_ui.Waveform->setSelection(double(state.selBeginSample), double(state.selEndSample));
}

void FormMain::showSourceLabels()
{
    const CutterState &state = m_cutter.state();
    m_ui.LabelFileName->setText(state.fileNameText);
    m_ui.LabelFormatSource->setText(state.formatSourceText);
    m_ui.LabelTime->setText(TimeText(state.totalSeconds));
}

void FormMain::onCmdCutClick()
{
    // Where the user was stays theirs: without this, hiding Cancel would hand the focus on to
    // whatever follows it, and a spare key would act there.
    const QPointer<QWidget> focused = focusWidget();
    m_cutter.cut();
    if (focused && !focused->isHidden() && focused->isEnabled())
        focused->setFocus(Qt::OtherFocusReason);
}

namespace {

/// The dialog's output when it was accepted; nothing when it was cancelled.
std::optional<engine::OutputChoice> edited(OutputDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.output();
}

} // namespace

void FormMain::showFormatDialog()
{
    m_cutter.editOutput(
        [this](const engine::OutputChoice &output) -> std::optional<engine::OutputChoice> {
            switch (output.format) {
            case engine::OutputFormat::Mp3: {
                FormMp3 dialog(output, this);
                return edited(dialog);
            }
            case engine::OutputFormat::Wma: {
                FormWMA dialog(
                    output, [this](const auto &choice) { return m_cutter.describeOutput(choice); },
                    this);
                return edited(dialog);
            }
            case engine::OutputFormat::Ogg: {
                FormOGG dialog(
                    output, [this](const auto &choice) { return m_cutter.checkOutput(choice); },
                    [this](QWidget *parent, const QString &text, const QString &title) {
                        m_dialogs.message(parent, text, title, Dialogs::Icon::Critical);
                    },
                    this);
                return edited(dialog);
            }
            case engine::OutputFormat::Wav: {
                FormWAV dialog(output, this);
                return edited(dialog);
            }
            case engine::OutputFormat::Flac: {
                FormFLAC dialog(output, this);
                return edited(dialog);
            }
            case engine::OutputFormat::Opus: {
                FormOpus dialog(output, this);
                return edited(dialog);
            }
            case engine::OutputFormat::M4a: {
                FormM4A dialog(output, this);
                return edited(dialog);
            }
            }
            return std::nullopt;
        });
}

HelpWindow *FormMain::helpWindow() const
{
    return m_help;
}

void FormMain::onCmdHelpClick()
{
    // A missing help page shows nothing, as a missing help file would.
    const QString page = findProgramFile(m_cutter.state().appFolder, QStringLiteral("help.html"));
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

void FormMain::restoreGeometry()
{
    // A place on a screen that has been unplugged since would put the window out of reach.
    if (const auto rect = m_store.ReadRect(kWindowGeometry); rect && fitsOnAScreen(*rect))
        setGeometry(*rect);
}

void FormMain::closeEvent(QCloseEvent *event)
{
    if (!m_cutter.requestClose()) {
        event->ignore();
        return;
    }
    m_store.WriteRect(kWindowGeometry,
                      isMaximized() || isFullScreen() ? normalGeometry() : geometry());
    QMainWindow::closeEvent(event);
}

#include "FormMainUi.h"

#include "DialogParts.h"
#include "WaveformStrip.h"
#include "ZivSlider.h"
#include "engine/api/OutputFormatTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include <iterator>

using formatdialogs::label;
using formatdialogs::named;

namespace {

QPushButton *button(QWidget *parent, const char *name, const QString &caption,
                    const QString &toolTip = QString())
{
    auto *b = named<QPushButton>(parent, name);
    b->setText(caption);
    b->setToolTip(toolTip);
    return b;
}

// The nudge buttons show arrows: the style's media icons, no caption.
QPushButton *nudgeButton(QWidget *parent, const char *name, QStyle::StandardPixmap icon,
                         const QString &toolTip)
{
    auto *b = button(parent, name, QString(), toolTip);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setAccessibleName(toolTip);
    return b;
}

} // namespace

void FormMainUi::setupUi(QMainWindow *window)
{
    window->setObjectName(QStringLiteral("FormMain"));
    window->setWindowTitle(QObject::tr("Vorn Audio Cutter"));
    formatdialogs::useProgramFont(window);

    auto *central = new QWidget(window);
    window->setCentralWidget(central);
    auto *column = new QVBoxLayout(central);

    FrameInput = named<QGroupBox>(central, "FrameInput");
    FrameInput->setTitle(QObject::tr("File info"));
    auto *input = new QGridLayout(FrameInput);
    LabelFileNameCaption = label(FrameInput, "Label2", QObject::tr("File name:"));
    LabelFileName = label(FrameInput, "LabelFileName", QString());
    LabelFileName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LabelSourceCaption = label(FrameInput, "Label3", QObject::tr("Format:"));
    LabelFormatSource = label(FrameInput, "LabelFormatSource", QString());
    LabelTimeCaption = label(FrameInput, "Label4", QObject::tr("Total:"));
    LabelTime = label(FrameInput, "LabelTime", QString());
    input->addWidget(LabelFileNameCaption, 0, 0);
    input->addWidget(LabelFileName, 0, 1);
    input->addWidget(LabelSourceCaption, 1, 0);
    input->addWidget(LabelFormatSource, 1, 1);
    input->addWidget(LabelTimeCaption, 2, 0);
    input->addWidget(LabelTime, 2, 1);
    input->setColumnStretch(1, 1);
    column->addWidget(FrameInput);

    // The strip sits on the slider, as wide as it, so both lay a frame at one x.
    auto *sound = new QVBoxLayout;
    sound->setSpacing(0);
    Waveform = new WaveformStrip(central);
    sound->addWidget(Waveform);
    column->addLayout(sound);

    slPosition = named<ZivSlider>(central, "slPosition");
    slPosition->setBackColor(0x00F0F0F0); // RGB(240, 240, 240)
    slPosition->setMinimumHeight(32);
    // Screen readers and the interface tests know the slider by this name.
    slPosition->setAccessibleName(QObject::tr("Position"));
    sound->addWidget(slPosition);

    auto *transport = new QHBoxLayout;
    auto *openCell = new QGridLayout;
    CmdOpen = button(central, "CmdOpen", QObject::tr("Open"), QObject::tr("Open a audio file"));
    CmdCancel = button(central, "CmdCancel", QObject::tr("Cancel"), QObject::tr("Stop saving"));
    CmdCancel->hide();
    openCell->addWidget(CmdOpen, 0, 0);
    openCell->addWidget(CmdCancel, 0, 0);
    transport->addLayout(openCell);
    CmdPausePlay =
        button(central, "CmdPausePlay", QObject::tr("Play"), QObject::tr("Play or pause"));
    CmdPreview =
        button(central, "CmdPreview", QObject::tr("Preview"), QObject::tr("Play selected part"));
    CmdPlayBegin = button(central, "CmdPlayBegin", QObject::tr("Play Begin"),
                          QObject::tr("Play the first seconds of the selected part"));
    CmdPlayEnd = button(central, "CmdPlayEnd", QObject::tr("Play End"),
                        QObject::tr("Play the last seconds of the selected part, to its end"));
    chLoop = named<QCheckBox>(central, "chLoop");
    chLoop->setText(QObject::tr("Loop"));
    chLoop->setToolTip(QObject::tr("Preview again and again until stopped"));
    CmdBB = nudgeButton(central, "CmdBB", QStyle::SP_MediaSeekBackward,
                        QObject::tr("Backward 2 seconds"));
    CmdB = nudgeButton(central, "CmdB", QStyle::SP_ArrowLeft, QObject::tr("Backward 0.5 seconds"));
    CmdF = nudgeButton(central, "CmdF", QStyle::SP_ArrowRight, QObject::tr("Forward 0.5 seconds"));
    CmdFF = nudgeButton(central, "CmdFF", QStyle::SP_MediaSeekForward,
                        QObject::tr("Forward 2 seconds"));
    CmdSelStart =
        button(central, "CmdSelStart", QObject::tr("Set Begin"), QObject::tr("Select begin"));
    CmdSelStop = button(central, "CmdSelStop", QObject::tr("Set End "), QObject::tr("Select end"));
    CmdCut = button(central, "CmdCut", QObject::tr("Cut  "), QObject::tr("Save selected part"));
    for (QPushButton *b : {CmdPausePlay, CmdPreview, CmdPlayBegin, CmdPlayEnd}) {
        b->setEnabled(false);
        transport->addWidget(b);
    }
    transport->addWidget(chLoop);
    for (QPushButton *b : {CmdBB, CmdB, CmdF, CmdFF, CmdSelStart, CmdSelStop, CmdCut}) {
        b->setEnabled(false);
        transport->addWidget(b);
    }
    transport->addStretch();
    CmdHelp = button(central, "CmdHelp", QObject::tr("Help"), QObject::tr("Show the help"));
    CmdAbout = button(central, "CmdAbout", QObject::tr("About"));
    transport->addWidget(CmdHelp);
    transport->addWidget(CmdAbout);
    column->addLayout(transport);

    FrameOutput = named<QGroupBox>(central, "FrameOutput");
    FrameOutput->setTitle(QObject::tr("Output settings"));
    auto *output = new QGridLayout(FrameOutput);
    LabelFormatCaption = label(FrameOutput, "Label1", QObject::tr("Format:"));
    ComboFormat = named<QComboBox>(FrameOutput, "ComboFormat");
    for (const engine::OutputFormatEntry &format : engine::kOutputFormats)
        ComboFormat->addItem(QString::fromLatin1(format.name));
    CmdSet = button(FrameOutput, "CmdSet", QObject::tr("Config"));
    LabelSummary = label(FrameOutput, "LabelFomartStr", QStringLiteral("info"));
    CheckKeepEncoding = named<QCheckBox>(FrameOutput, "CheckKeepEncoding");
    CheckKeepEncoding->setText(QObject::tr(
        "Keep the source's encoding when the format is the same (no re-encoding, exact)"));
    CheckCopyTags = named<QCheckBox>(FrameOutput, "Check1");
    CheckCopyTags->setText(QObject::tr("Try to get audio information (title, artist, album, year, "
                                       "etc.) from the source file and write them into the "
                                       "destination file."));
    CheckCopyTags->setChecked(true);
    output->addWidget(LabelFormatCaption, 0, 0);
    output->addWidget(ComboFormat, 0, 1);
    output->addWidget(CmdSet, 0, 2);
    output->addWidget(LabelSummary, 0, 3);
    output->setColumnStretch(3, 1);
    LabelShapeCaption = label(FrameOutput, "LabelShapeCaption", QObject::tr("Shape:"));
    auto *shape = new QHBoxLayout;
    const auto seconds = [this](const char *name, const QString &accessible) {
        auto *spin = named<QDoubleSpinBox>(FrameOutput, name);
        spin->setRange(0, 60);
        spin->setDecimals(1);
        spin->setSingleStep(0.1);
        spin->setSuffix(QObject::tr(" s"));
        spin->setAccessibleName(accessible);
        return spin;
    };
    spinFadeIn = seconds("spinFadeIn", QObject::tr("Fade in"));
    spinFadeOut = seconds("spinFadeOut", QObject::tr("Fade out"));
    ComboNormalise = named<QComboBox>(FrameOutput, "ComboNormalise");
    ComboNormalise->setAccessibleName(QObject::tr("Normalise"));
    ComboNormalise->addItems({QObject::tr("Off"), QObject::tr("-14 LUFS"), QObject::tr("-16 LUFS"),
                              QObject::tr("-23 LUFS")});
    chGainTags = named<QCheckBox>(FrameOutput, "chGainTags");
    chGainTags->setText(QObject::tr("Gain tags"));
    chGainTags->setToolTip(QObject::tr(
        "ReplayGain tags in copies, so that players level them; the sound stays as it is"));
    auto *fadeInLabel = label(FrameOutput, "LabelFadeIn", QObject::tr("Fade in"));
    fadeInLabel->setBuddy(spinFadeIn);
    auto *fadeOutLabel = label(FrameOutput, "LabelFadeOut", QObject::tr("Fade out"));
    fadeOutLabel->setBuddy(spinFadeOut);
    auto *normaliseLabel = label(FrameOutput, "LabelNormalise", QObject::tr("Normalise"));
    normaliseLabel->setBuddy(ComboNormalise);
    for (QWidget *w :
         std::initializer_list<QWidget *>{fadeInLabel, spinFadeIn, fadeOutLabel, spinFadeOut,
                                          normaliseLabel, ComboNormalise, chGainTags})
        shape->addWidget(w);
    shape->addStretch();
    output->addWidget(LabelShapeCaption, 1, 0);
    output->addLayout(shape, 1, 1, 1, 3);
    output->addWidget(CheckKeepEncoding, 2, 0, 1, 4);
    output->addWidget(CheckCopyTags, 3, 0, 1, 4);
    column->addWidget(FrameOutput);

    FrameParts = named<QGroupBox>(central, "FrameParts");
    FrameParts->setTitle(QObject::tr("Parts"));
    auto *partRow = new QHBoxLayout(FrameParts);
    Parts = named<QTableView>(FrameParts, "Parts");
    Parts->setAccessibleName(QObject::tr("Parts"));
    Parts->setSelectionBehavior(QAbstractItemView::SelectRows);
    Parts->setSelectionMode(QAbstractItemView::SingleSelection);
    Parts->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    Parts->verticalHeader()->hide();
    Parts->horizontalHeader()->setStretchLastSection(true);
    Parts->setMinimumHeight(110);
    partRow->addWidget(Parts, 1);
    auto *partCommands = new QGridLayout;
    CmdAddPart = button(FrameParts, "CmdAddPart", QObject::tr("Add Part"),
                        QObject::tr("Add the selection as a part"));
    CmdRemovePart = button(FrameParts, "CmdRemovePart", QObject::tr("Remove"),
                           QObject::tr("Remove the selected part"));
    CmdSplitHere = button(FrameParts, "CmdSplitHere", QObject::tr("Split Here"),
                          QObject::tr("Split the part at the position"));
    CmdTrimSilence = button(FrameParts, "CmdTrimSilence", QObject::tr("Trim Silence"),
                            QObject::tr("Trim the silence at the selected part's ends"));
    CmdImportCue = button(FrameParts, "CmdImportCue", QObject::tr("Import Cue Sheet\u2026"),
                          QObject::tr("Load the parts of a cue sheet"));
    CmdExportCue = button(FrameParts, "CmdExportCue", QObject::tr("Export Cue Sheet\u2026"),
                          QObject::tr("Write a cue sheet of the parts"));
    CmdFindPauses = button(FrameParts, "CmdFindPauses", QObject::tr("Find Pauses\u2026"),
                           QObject::tr("Propose parts between the pauses"));
    CmdCutAll = button(FrameParts, "CmdCutAll", QObject::tr("Cut All"),
                       QObject::tr("Save every part to its own file"));
    QPushButton *const partButtons[] = {CmdAddPart,   CmdRemovePart, CmdSplitHere,  CmdTrimSilence,
                                        CmdImportCue, CmdExportCue,  CmdFindPauses, CmdCutAll};
    for (size_t i = 0; i < std::size(partButtons); ++i) {
        partButtons[i]->setEnabled(false);
        partCommands->addWidget(partButtons[i], int(i % 4), int(i / 4));
    }
    // The commands stay together at the top however tall the list grows.
    partCommands->setRowStretch(4, 1);
    partRow->addLayout(partCommands);
    column->addWidget(FrameParts, 1);

    ProgressConvert = named<QProgressBar>(central, "ProgressConvert");
    ProgressConvert->setTextVisible(false);
    column->addWidget(ProgressConvert);

    // Tab follows the screen row by row, the slider straight after Open.
    QWidget *const tabOrder[] = {
        CmdOpen,       CmdCancel,    slPosition,    CmdPausePlay,   CmdPreview,   CmdPlayBegin,
        CmdPlayEnd,    chLoop,       CmdBB,         CmdB,           CmdF,         CmdFF,
        CmdSelStart,   CmdSelStop,   CmdCut,        CmdHelp,        CmdAbout,     ComboFormat,
        CmdSet,        spinFadeIn,   spinFadeOut,   ComboNormalise, chGainTags,   CheckKeepEncoding,
        CheckCopyTags, Parts,        CmdAddPart,    CmdRemovePart,  CmdSplitHere, CmdTrimSilence,
        CmdImportCue,  CmdExportCue, CmdFindPauses, CmdCutAll};
    for (size_t i = 1; i < std::size(tabOrder); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);

    StatusBar1 = named<QStatusBar>(window, "StatusBar1");
    window->setStatusBar(StatusBar1);
    const QString texts[] = {QString(), QObject::tr("Begin: 00:00:00"),
                             QObject::tr("End: 00:00:00"), QObject::tr("Current: 00:00:00")};
    for (int i = 0; i < 4; ++i) {
        panels[i] = new QLabel(texts[i], StatusBar1);
        panels[i]->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        StatusBar1->addWidget(panels[i], i == 0 ? 2 : 1);
    }
}

void FormMainUi::setPanel(int number, const QString &text) const
{
    panels.at(size_t(number - 1))->setText(text);
}

QString FormMainUi::panel(int number) const
{
    return panels.at(size_t(number - 1))->text();
}

// The window's keys: each does what its button does, through the same handler, and nothing
// while that button is hidden or disabled.
#include "FormMain.h"
#include "WindowKeys.h"
#include "ZivSlider.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>

void FormMain::connectKeys()
{
    const auto moveTo = [this](int32_t units) {
        return [this, units] {
            // As a click on that end of the slider.
            m_ui.slPosition->setValue(units);
            m_cutter.RepositionFromSlider(units, false);
        };
    };
    const auto keys = [](std::initializer_list<QKeyCombination> combinations) {
        QList<QKeySequence> list;
        for (QKeyCombination combination : combinations)
            list << QKeySequence(combination);
        return list;
    };
    constexpr auto held = KeyCommand::Repeat::WhileHeld;
    // Esc stops a cut; when none runs, it lets go of the selected part.
    KeyCommand escape(keys({Qt::Key_Escape}), m_ui.CmdCancel);
    escape.gate = this;
    escape.inToolTip = false;
    escape.action = [this] {
        if (!m_ui.CmdCancel->isHidden() && m_ui.CmdCancel->isEnabled())
            m_ui.CmdCancel->click();
        else if (!m_cutter.isBusy())
            m_cutter.selectPart(-1);
    };
    m_ui.CmdCancel->setToolTip(QCoreApplication::translate("WindowKeys", "%1 (%2)")
                                   .arg(m_ui.CmdCancel->toolTip(), keysText(escape.keys)));
    addWindowKeys(this, {
                            {keys({Qt::Key_Space}), m_ui.CmdPausePlay},
                            {keys({Qt::CTRL | Qt::Key_O}), m_ui.CmdOpen},
                            {keys({Qt::Key_I, Qt::Key_BracketLeft}), m_ui.CmdSelStart},
                            {keys({Qt::Key_O, Qt::Key_BracketRight}), m_ui.CmdSelStop},
                            {keys({Qt::Key_P}), m_ui.CmdPreview},
                            {keys({Qt::Key_B}), m_ui.CmdPlayBegin},
                            {keys({Qt::Key_E}), m_ui.CmdPlayEnd},
                            {keys({Qt::Key_L}), m_ui.chLoop},
                            {keys({Qt::Key_Left}), m_ui.CmdB, held},
                            {keys({Qt::Key_Right}), m_ui.CmdF, held},
                            {keys({Qt::SHIFT | Qt::Key_Left}), m_ui.CmdBB, held},
                            {keys({Qt::SHIFT | Qt::Key_Right}), m_ui.CmdFF, held},
                            // The nudge buttons say whether the position may be moved now.
                            {keys({Qt::Key_Home}), m_ui.CmdB, moveTo(0)},
                            {keys({Qt::Key_End}), m_ui.CmdF, moveTo(1000)},
                            {keys({Qt::CTRL | Qt::Key_K}), m_ui.CmdCut},
                            {keys({Qt::Key_F1}), m_ui.CmdHelp},
                            {keys({Qt::CTRL | Qt::SHIFT | Qt::Key_K}), m_ui.CmdCutAll},
                            {keys({Qt::Key_A}), m_ui.CmdAddPart},
                            {keys({Qt::Key_Delete}), m_ui.CmdRemovePart},
                            {keys({Qt::Key_S}), m_ui.CmdSplitHere},
                            {keys({Qt::Key_T}), m_ui.CmdTrimSilence},
                            {keys({Qt::CTRL | Qt::Key_I}), m_ui.CmdImportCue},
                            {keys({Qt::CTRL | Qt::Key_E}), m_ui.CmdExportCue},
                            {keys({Qt::CTRL | Qt::Key_F}), m_ui.CmdFindPauses},
                            escape,
                        });
    // Space keeps its own meaning on the focused Cancel (a cut is stopped as the user expects)
    // and on the check boxes, which no other key can tick (Loop has L as well).
    m_ui.CmdCancel->installEventFilter(this);
    for (QWidget *box : std::initializer_list<QWidget *>{m_ui.CheckCopyTags, m_ui.CheckKeepEncoding,
                                                         m_ui.chLoop, m_ui.chGainTags})
        box->installEventFilter(this);
}

bool FormMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui.Parts->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (!m_ui.Parts->indexAt(mouse->position().toPoint()).isValid())
            m_cutter.selectPart(-1);
    }
    if (event->type() == QEvent::ShortcutOverride) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            event->accept();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

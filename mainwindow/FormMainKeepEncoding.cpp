// "Keep the source's encoding": cuts that copy the source's coded audio when the chosen
// format is the source's own, and the summary that says whether they will.
#include "FormMain.h"
#include "TextNumbers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

void FormMain::onCheckKeepEncodingClick()
{
    showCopyChoice();
}

void FormMain::showCopyChoice()
{
    m_copies = false;
    QString text = m_summaryText;
    const engine::OutputFormatEntry *format =
        engine::outputFormatAt(m_ui.ComboFormat->currentIndex());
    if (m_ui.CheckKeepEncoding->isChecked() && Copier && format && !m_copySource.isEmpty()) {
        const auto copy = Copier->describeCopy(m_copySource, format->format);
        m_copies = copy.ok();
        text = m_copies ? copy.value() + tr(", no re-encoding")
                        : tr("%1 (re-encoded: %2)").arg(m_summaryText, copy.status().reason());
    }
    m_ui.LabelFomartStr->setText(text);
}

engine::Status FormMain::runCopy(const engine::JobCallbacks &callbacks)
{
    // Rounded as the re-encoding job rounds them, so both hold the same frames.
    const engine::Status outcome =
        Copier->cut(sourcePath, destPath, int64_t(settings::roundHalfEven(selBeginSample)),
                    int64_t(settings::roundHalfEven(selEndSample)), callbacks);
    // A selection too short to trim at both ends is re-encoded; the summary says why.
    if (outcome.code() == engine::StatusCode::CannotCopy)
        m_ui.LabelFomartStr->setText(
            tr("%1 (re-encoded: %2)").arg(m_summaryText, outcome.reason()));
    return outcome;
}

// The part list beside the waveform: the table over the model's parts, the commands on them,
// and the parts drawn on the strip. Selection goes both ways: a row picked in the table
// selects the part in the model, and the model's choice (a new part, a split) shows in the
// table.
#include "FormMain.h"
#include "PartTableModel.h"
#include "WaveformStrip.h"
#include "ZivSlider.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>

void FormMain::connectParts()
{
    m_partTable = new PartTableModel(m_cutter, this);
    QTableView *table = m_ui.Parts;
    table->setModel(m_partTable);
    table->horizontalHeader()->setSectionResizeMode(PartTableModel::Number,
                                                    QHeaderView::ResizeToContents);
    Cutter *cutter = &m_cutter;
    connect(m_ui.CmdAddPart, &QPushButton::clicked, cutter, &Cutter::addPart);
    connect(m_ui.CmdRemovePart, &QPushButton::clicked, cutter, &Cutter::removePart);
    connect(m_ui.CmdSplitHere, &QPushButton::clicked, cutter, &Cutter::splitHere);
    connect(m_ui.CmdTrimSilence, &QPushButton::clicked, cutter, &Cutter::trimSilence);
    connect(m_ui.CmdImportCue, &QPushButton::clicked, cutter, &Cutter::importCue);
    connect(m_ui.CmdExportCue, &QPushButton::clicked, cutter, &Cutter::exportCue);
    connect(m_ui.CmdFindPauses, &QPushButton::clicked, cutter, &Cutter::findPauses);
    connect(m_ui.CmdCutAll, &QPushButton::clicked, this, [this] {
        const QPointer<QWidget> focused = focusWidget();
        m_cutter.cutAll();
        if (focused && !focused->isHidden() && focused->isEnabled())
            focused->setFocus(Qt::OtherFocusReason);
    });
    // A model reset (rows added or removed) clears the table's selection; the model's own
    // choice follows it.
    connect(m_partTable, &QAbstractItemModel::modelReset, this,
            [this] { showSelectedPart(m_cutter.state().selectedPart); });
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, table] {
        if (m_showingPart)
            return;
        const QModelIndexList rows = table->selectionModel()->selectedRows();
        m_cutter.selectPart(rows.isEmpty() ? -1 : rows.constFirst().row());
    });
    connect(cutter, &Cutter::partsChanged, this, &FormMain::showParts);
    connect(cutter, &Cutter::partSelected, this, &FormMain::showSelectedPart);
    // A click on the list's empty area lets go of the part: the marks are the plain
    // selection again.
    table->viewport()->installEventFilter(this);
}

void FormMain::showSelectedPart(int row)
{
    QTableView *table = m_ui.Parts;
    m_showingPart = true;
    if (row < 0) {
        table->clearSelection();
    } else {
        table->selectRow(row);
        table->scrollTo(m_partTable->index(row, 0));
    }
    m_showingPart = false;
    showParts();
}

void FormMain::showParts()
{
    const CutterState &state = m_cutter.state();
    const bool idle = !m_cutter.isBusy();
    const bool open = m_cutter.hasSource();
    const bool selected = state.selectedPart >= 0;
    m_ui.CmdAddPart->setEnabled(idle && open && m_cutter.hasSelection());
    m_ui.CmdRemovePart->setEnabled(idle && selected);
    m_ui.CmdSplitHere->setEnabled(idle && open);
    m_ui.CmdTrimSilence->setEnabled(idle && selected && m_cutter.peaks());
    m_ui.CmdImportCue->setEnabled(idle && open);
    m_ui.CmdExportCue->setEnabled(idle && m_cutter.hasParts());
    m_ui.CmdFindPauses->setEnabled(idle && open && m_cutter.peaks());
    m_ui.CmdCutAll->setEnabled(idle && open && m_cutter.hasParts());
    std::vector<std::pair<double, double>> bands;
    std::vector<std::pair<double, double>> units;
    const auto total = double(std::max<int64_t>(state.totalSamples, 1));
    for (const engine::Part &part : state.parts.parts) {
        bands.emplace_back(double(part.begin), double(part.end));
        units.emplace_back(double(part.begin) / total * 1000, double(part.end) / total * 1000);
    }
    m_ui.Waveform->setParts(std::move(bands), state.selectedPart);
    m_ui.slPosition->setParts(std::move(units), state.selectedPart);
}

#pragma once

#include <QAbstractTableModel>

class Cutter;

/// The open source's parts as a table: number, Begin, End, Length (position texts as the
/// panels show them) and the Title, which is edited in place. The rows follow the model.
class PartTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        Number,
        Begin,
        End,
        Length,
        Title,
        ColumnCount
    };

    explicit PartTableModel(Cutter &cutter, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

private:
    void follow();

    Cutter &m_cutter;
    int m_rows = 0;
};

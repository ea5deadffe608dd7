#pragma once
// A grid on one of the data module's shared list datasets: the columns a window shows
// (picked by field name, with their titles), the row colours by record status, and the
// dataset's current row kept in step with the view's current row in both directions,
// so that every grid bound to one dataset shows the same row.
#include <QAbstractProxyModel>
#include <QColor>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>

#include <vector>

class TSqlDataset;

// One visible column of a grid.
struct TGridColumn {
    QString field;
    QString title;
    int width = 80;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    Qt::Alignment titleAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    // The column is made at least wide enough for this text in the grid's font.
    QString widest;
};

// The dataset's fields as the grid's columns, by name: the columns stay whatever
// statement the dataset runs (other windows re-list it with other texts).
class TDatasetColumns : public QAbstractProxyModel {
    Q_OBJECT
public:
    // The record's status (1 active, anything else inactive), for the row colours.
    static constexpr int StatusRole = Qt::UserRole + 1;

    TDatasetColumns(TSqlDataset &dataset, std::vector<TGridColumn> columns, QString statusField,
                    QObject *parent = nullptr);

    const TGridColumn &Column(int column) const { return m_columns[size_t(column)]; }

    // Colours every row by one status when the grid has no status field of its own (the
    // examinations of a patient take the patient's status); repaints the rows.
    void SetCommonStatus(const QVariant &status);

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QModelIndex mapToSource(const QModelIndex &proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex &sourceIndex) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    void findSourceColumns();

    TSqlDataset &m_dataset;
    std::vector<TGridColumn> m_columns;
    QString m_statusField;
    std::vector<int> m_sourceColumn; // -1: the dataset has no such field now
    int m_statusColumn = -1;
    QVariant m_commonStatus;
};

// Paints every cell of a row in the colours of the record's status, selected or not:
// active rows #D0D0FF (selected #0000FF), inactive rows #FFD0D0 (selected #FF0000),
// black text, white on a selected row. Numbers and dates as a Brazilian reader writes them.
class TStatusRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static QColor Background(bool active, bool selected);
    static QColor Foreground(bool selected);

    QString displayText(const QVariant &value, const QLocale &locale) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};

// Keeps the view's current row and the dataset's current row (RecNo) the same.
class TDatasetGridLink : public QObject {
    Q_OBJECT
public:
    // Sets up view on dataset with the columns: whole-row single selection, no row
    // headers, resizable columns of the given widths and titles.
    TDatasetGridLink(QTableView *view, TSqlDataset &dataset, std::vector<TGridColumn> columns,
                     const QString &statusField);

    TSqlDataset &Dataset() const { return m_dataset; }
    TDatasetColumns *Columns() const { return m_columns; }
    QTableView *View() const { return m_view; }
    // The dataset's field shown in a column of the view.
    QString FieldOfColumn(int column) const;

signals:
    // The dataset moved to recNo (0: no row) and the view shows it.
    void rowChanged(int recNo);

private:
    void showDatasetRow(int recNo);
    void takeViewRow(const QModelIndex &current);

    QPointer<QTableView> m_view;
    TSqlDataset &m_dataset;
    TDatasetColumns *m_columns;
    bool m_syncing = false;
};

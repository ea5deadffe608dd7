#include "UDatasetGrid.h"

#include "UfrmDataModule.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSqlRecord>
#include <QTableView>

// TDatasetColumns ---------------------------------------------------------------------

TDatasetColumns::TDatasetColumns(TSqlDataset &dataset, std::vector<TGridColumn> columns, QString statusField,
                                 QObject *parent)
    : QAbstractProxyModel(parent), m_dataset(dataset), m_columns(std::move(columns)),
      m_statusField(std::move(statusField))
{
    setSourceModel(&dataset);
    connect(&dataset, &QAbstractItemModel::modelAboutToBeReset, this, &TDatasetColumns::beginResetModel);
    connect(&dataset, &QAbstractItemModel::modelReset, this, [this] {
        findSourceColumns();
        endResetModel();
    });
    connect(&dataset, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this](const QModelIndex &, int first, int last) { beginInsertRows({}, first, last); });
    connect(&dataset, &QAbstractItemModel::rowsInserted, this, &TDatasetColumns::endInsertRows);
    connect(&dataset, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) { beginRemoveRows({}, first, last); });
    connect(&dataset, &QAbstractItemModel::rowsRemoved, this, &TDatasetColumns::endRemoveRows);
    connect(&dataset, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &from, const QModelIndex &to) {
        if (!m_columns.empty())
            emit dataChanged(index(from.row(), 0), index(to.row(), columnCount() - 1));
    });
    findSourceColumns();
}

void TDatasetColumns::findSourceColumns()
{
    const QSqlRecord fields = m_dataset.record();
    m_sourceColumn.clear();
    for (const TGridColumn &column : m_columns)
        m_sourceColumn.push_back(fields.indexOf(column.field));
    m_statusColumn = m_statusField.isEmpty() ? -1 : fields.indexOf(m_statusField);
}

void TDatasetColumns::SetCommonStatus(const QVariant &status)
{
    if (status == m_commonStatus)
        return;
    m_commonStatus = status;
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

QModelIndex TDatasetColumns::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return {};
    return createIndex(row, column);
}

QModelIndex TDatasetColumns::parent(const QModelIndex &) const { return {}; }

int TDatasetColumns::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_dataset.rowCount();
}

int TDatasetColumns::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QModelIndex TDatasetColumns::mapToSource(const QModelIndex &proxyIndex) const
{
    if (!proxyIndex.isValid() || size_t(proxyIndex.column()) >= m_sourceColumn.size())
        return {};
    const int column = m_sourceColumn[size_t(proxyIndex.column())];
    return column < 0 ? QModelIndex() : m_dataset.index(proxyIndex.row(), column);
}

QModelIndex TDatasetColumns::mapFromSource(const QModelIndex &sourceIndex) const
{
    if (!sourceIndex.isValid())
        return {};
    for (size_t c = 0; c < m_sourceColumn.size(); ++c)
        if (m_sourceColumn[c] == sourceIndex.column())
            return index(sourceIndex.row(), int(c));
    return {};
}

QVariant TDatasetColumns::data(const QModelIndex &item, int role) const
{
    if (!item.isValid())
        return {};
    if (role == StatusRole)
        return m_statusColumn < 0 ? m_commonStatus
                                  : m_dataset.data(m_dataset.index(item.row(), m_statusColumn), Qt::EditRole);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Column(item.column()).alignment);
    const QModelIndex source = mapToSource(item);
    return source.isValid() ? m_dataset.data(source, role) : QVariant();
}

QVariant TDatasetColumns::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return Column(section).title;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Column(section).titleAlignment);
    return {};
}

Qt::ItemFlags TDatasetColumns::flags(const QModelIndex &item) const
{
    return item.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

// TStatusRowDelegate -------------------------------------------------------------------

QColor TStatusRowDelegate::Background(bool active, bool selected)
{
    if (active)
        return selected ? QColor(0x00, 0x00, 0xFF) : QColor(0xD0, 0xD0, 0xFF);
    return selected ? QColor(0xFF, 0x00, 0x00) : QColor(0xFF, 0xD0, 0xD0);
}

QColor TStatusRowDelegate::Foreground(bool selected) { return selected ? QColor(Qt::white) : QColor(Qt::black); }

QString TStatusRowDelegate::displayText(const QVariant &value, const QLocale &) const
{
    // Record numbers and ages without digit grouping, dates day first.
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    case QMetaType::QTime:
        return value.toTime().toString(QStringLiteral("hh:mm:ss"));
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm"));
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return value.toString();
    case QMetaType::Double:
        return QLocale(QLocale::Portuguese, QLocale::Brazil).toString(value.toDouble(), 'f', 2);
    default:
        return value.toString();
    }
}

void TStatusRowDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const bool selected = option->state.testFlag(QStyle::State_Selected);
    const bool active = index.data(TDatasetColumns::StatusRole).toInt() == 1;
    option->backgroundBrush = Background(active, selected);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        option->palette.setColor(group, QPalette::Text, Foreground(selected));
        option->palette.setColor(group, QPalette::HighlightedText, Foreground(selected));
    }
    // The row colours replace the style's own highlight and focus frame.
    option->state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    option->state |= QStyle::State_Enabled;
}

// TDatasetGridLink ----------------------------------------------------------------------

TDatasetGridLink::TDatasetGridLink(QTableView *view, TSqlDataset &dataset, std::vector<TGridColumn> columns,
                                   const QString &statusField)
    : QObject(view), m_view(view), m_dataset(dataset)
{
    std::vector<int> widths;
    for (const TGridColumn &column : columns)
        widths.push_back(std::max(column.width, view->fontMetrics().horizontalAdvance(column.widest) + 14));
    m_columns = new TDatasetColumns(dataset, std::move(columns), statusField, this);
    view->setModel(m_columns);
    view->setItemDelegate(new TStatusRowDelegate(view));
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->setTabKeyNavigation(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setStretchLastSection(true);
    for (size_t c = 0; c < widths.size(); ++c)
        view->setColumnWidth(int(c), widths[c]);

    connect(&dataset, &TSqlDataset::currentRowChanged, this, &TDatasetGridLink::showDatasetRow);
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { takeViewRow(current); });
    // A reset forgets the view's selection: show the dataset's row again.
    connect(m_columns, &QAbstractItemModel::modelReset, this, [this] {
        const bool was = m_syncing;
        m_syncing = true;
        if (m_view && m_dataset.RecNo() > 0)
            m_view->selectionModel()->setCurrentIndex(m_columns->index(m_dataset.RecNo() - 1, 0),
                                                      QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
        m_syncing = was;
    });
    showDatasetRow(dataset.RecNo());
}

QString TDatasetGridLink::FieldOfColumn(int column) const
{
    return column >= 0 && column < m_columns->columnCount() ? m_columns->Column(column).field : QString();
}

void TDatasetGridLink::showDatasetRow(int recNo)
{
    if (m_view) {
        const bool was = m_syncing;
        m_syncing = true;
        QItemSelectionModel *selection = m_view->selectionModel();
        if (recNo <= 0 || recNo > m_columns->rowCount()) {
            selection->clear();
        } else {
            const int column = std::max(selection->currentIndex().column(), 0);
            selection->setCurrentIndex(m_columns->index(recNo - 1, column),
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
        m_syncing = was;
    }
    emit rowChanged(recNo);
}

void TDatasetGridLink::takeViewRow(const QModelIndex &current)
{
    if (m_syncing || !current.isValid())
        return;
    m_dataset.SetRecNo(current.row() + 1);
}

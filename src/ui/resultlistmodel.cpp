#include "ui/resultlistmodel.h"

#include "search/resultfilter.h"
#include "search/sizetext.h"

#include <algorithm>
#include <limits>

namespace jiujiu {

const std::array<ResultListModel::Column, ResultListModel::ColumnCount> &ResultListModel::Columns()
{
    static const std::array<Column, ColumnCount> columns = {{
        {QStringLiteral("序号"), 40, Qt::AlignLeft | Qt::AlignVCenter},
        {QStringLiteral("名称"), 400, Qt::AlignLeft | Qt::AlignVCenter},
        {QStringLiteral("大小"), 60, Qt::AlignLeft | Qt::AlignVCenter},
        {QStringLiteral("资源数"), 50, Qt::AlignHCenter | Qt::AlignVCenter},
        {QStringLiteral("下载链接[双击]"), 200, Qt::AlignLeft | Qt::AlignVCenter},
    }};
    return columns;
}

namespace {

// The user's locale; for the C locale the root order of English, since Qt's C collator makes
// byte keys that neither ignore case nor read numbers.
QLocale CollationLocale()
{
    const QLocale locale;
    return locale.language() == QLocale::C ? QLocale(QLocale::English) : locale;
}

} // namespace

ResultListModel::ResultListModel(QObject *parent)
    : QAbstractTableModel(parent), m_collator(CollationLocale()),
      m_emptyNameKey(m_collator.sortKey(QString()))
{
    // "第2期" before "第10期", and letters without regard to case.
    m_collator.setNumericMode(true);
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_emptyNameKey = m_collator.sortKey(QString());
}

bool ResultListModel::NameEntryLess::operator()(const NameEntry &a, const NameEntry &b) const
{
    const int c = a.key.compare(b.key);
    return c != 0 ? c < 0 : a.row < b.row;
}

ResultListModel::~ResultListModel() = default;

int ResultListModel::insertItem(int row, const Item &item)
{
    if (m_rows.size() >= static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return -1;
    if (row < 0 || row > count())
        row = count();
    beginInsertRows({}, row, row);
    m_nameRanksValid = false;
    const bool appended = row == count();
    m_rows.insert(m_rows.begin() + row, Row{item, {}, {}, {}, {}, true});
    Row &added = m_rows[static_cast<std::size_t>(row)];
    added.keys.serial = ParseCountText(item.caption.toUtf8().toStdString());
    added.nameKey.emplace(m_emptyNameKey);
    if (appended) {
        m_duplicates.append({}, std::nullopt);
        // Rows without a name stay out of the index: they sort first, as empty names.
        if (m_nameIndexValid)
            m_nameEntries.push_back(m_nameIndex.end());
    } else {
        m_duplicates.insert(static_cast<std::size_t>(row), {}, std::nullopt);
        // Rows below moved down: the index is rebuilt when next needed.
        m_nameIndexValid = false;
        m_nameIndex.clear();
        m_nameEntries.clear();
    }
    if (m_changedFirst >= 0 && row <= m_changedLast)
        ++m_changedLast; // the changed rows moved down
    endInsertRows();
    return row;
}

void ResultListModel::setCellText(int row, int column, const QString &text)
{
    if (row < 0 || row >= count() || column < 0 || column >= ColumnCount)
        return;
    Row &r = m_rows[static_cast<std::size_t>(row)];
    QString &cell = column == 0 ? r.item.caption : r.subItems[static_cast<std::size_t>(column - 1)];
    if (cell == text)
        return;
    cell = text;
    updateKeys(row, column);
    noteChanged(row);
}

void ResultListModel::updateKeys(int row, int column)
{
    Row &r = m_rows[static_cast<std::size_t>(row)];
    const auto utf8 = [&r, column] {
        const QString &cell =
            column == 0 ? r.item.caption : r.subItems[static_cast<std::size_t>(column - 1)];
        return cell.toUtf8().toStdString();
    };
    switch (column) {
    case 0:
        r.keys.serial = ParseCountText(utf8());
        return;
    case 1:
        // Made now, a row at a time during the search, so a click on 名称 only compares.
        r.matchKeyStale = true;
        r.nameKey.emplace(m_collator.sortKey(r.subItems[0]));
        m_nameRanksValid = false;
        if (m_nameIndexValid) {
            auto &entry = m_nameEntries[static_cast<std::size_t>(row)];
            if (entry != m_nameIndex.end())
                m_nameIndex.erase(entry);
            entry = r.subItems[0].isEmpty() ? m_nameIndex.end()
                                            : m_nameIndex.insert({*r.nameKey, row}).first;
        }
        return;
    case 2:
        r.keys.bytes = ParseSizeText(utf8());
        return;
    case 3:
    case 4: {
        if (column == 3) {
            r.keys.sources = ParseCountText(utf8());
        } else {
            // Made now rather than on the first filter, which would then stall on a long list.
            r.matchKey = ResultFilter::MatchKey(r.subItems[0].toUtf8().toStdString(),
                                                r.subItems[3].toUtf8().toStdString());
            r.matchKeyStale = false;
        }
        const std::string key = DuplicateGroups::Key(r.subItems[3].toUtf8().toStdString());
        // Rows whose merged look changed (the group's first row) are repainted and re-filtered.
        for (std::size_t changed :
             m_duplicates.update(static_cast<std::size_t>(row), key, r.keys.sources))
            if (changed != static_cast<std::size_t>(row))
                noteChanged(static_cast<int>(changed));
        return;
    }
    default:
        return;
    }
}

const std::string &ResultListModel::matchKey(int row) const
{
    const Row &r = m_rows[static_cast<std::size_t>(row)];
    if (r.matchKeyStale) {
        r.matchKey = ResultFilter::MatchKey(r.subItems[0].toUtf8().toStdString(),
                                            r.subItems[3].toUtf8().toStdString());
        r.matchKeyStale = false;
    }
    return r.matchKey;
}

void ResultListModel::rebuildNameIndex() const
{
    m_nameIndex.clear();
    m_nameEntries.clear();
    m_nameEntries.reserve(m_rows.size());
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        const int r = static_cast<int>(row);
        m_nameEntries.push_back(m_rows[row].subItems[0].isEmpty()
                                    ? m_nameIndex.end()
                                    : m_nameIndex.insert({nameSortKey(r), r}).first);
    }
    m_nameIndexValid = true;
}

const std::vector<std::uint32_t> &ResultListModel::nameRanks() const
{
    if (m_nameRanksValid && m_nameRanks.size() == m_rows.size())
        return m_nameRanks;
    if (!m_nameIndexValid)
        rebuildNameIndex();
    // Rank 0 for the rows without a name, and for names that collate as empty.
    m_nameRanks.assign(m_rows.size(), 0);
    std::uint32_t rank = 0;
    const QCollatorSortKey *previous = &m_emptyNameKey;
    for (const NameEntry &entry : m_nameIndex) {
        if (previous->compare(entry.key) != 0)
            ++rank;
        m_nameRanks[static_cast<std::size_t>(entry.row)] = rank;
        previous = &entry.key;
    }
    m_nameRanksValid = true;
    return m_nameRanks;
}

const QCollatorSortKey &ResultListModel::nameSortKey(int row) const
{
    const Row &r = m_rows[static_cast<std::size_t>(row)];
    if (!r.nameKey)
        r.nameKey.emplace(m_collator.sortKey(r.subItems[0]));
    return *r.nameKey;
}

void ResultListModel::noteChanged(int row)
{
    if (m_changedFirst < 0) {
        m_changedFirst = m_changedLast = row;
        QMetaObject::invokeMethod(this, &ResultListModel::flushChanges, Qt::QueuedConnection);
        return;
    }
    m_changedFirst = std::min(m_changedFirst, row);
    m_changedLast = std::max(m_changedLast, row);
}

void ResultListModel::flushChanges()
{
    const int first = m_changedFirst;
    const int last = std::min(m_changedLast, count() - 1);
    m_changedFirst = m_changedLast = -1;
    if (first < 0 || first > last)
        return;
    emit dataChanged(index(first, 0), index(last, ColumnCount - 1), {Qt::DisplayRole});
}

QString ResultListModel::cellText(int row, int column) const
{
    if (row < 0 || row >= count() || column < 0 || column >= ColumnCount)
        return {};
    const Row &r = m_rows[static_cast<std::size_t>(row)];
    return column == 0 ? r.item.caption : r.subItems[static_cast<std::size_t>(column - 1)];
}

const ResultListModel::Item *ResultListModel::item(int row) const
{
    if (row < 0 || row >= count())
        return nullptr;
    return &m_rows[static_cast<std::size_t>(row)].item;
}

void ResultListModel::deleteAllItems()
{
    if (m_rows.empty())
        return;
    beginResetModel();
    m_changedFirst = m_changedLast = -1;
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_duplicates.clear();
    m_nameRanksValid = false;
    m_nameIndex.clear();
    m_nameEntries.clear();
    m_nameIndexValid = true;
    endResetModel();
}

int ResultListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

int ResultListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: // info tips: the whole cell text, however narrow the column
        return cellText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return Columns()[static_cast<std::size_t>(index.column())].alignment.toInt();
    default:
        return {};
    }
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    const Column &column = Columns()[static_cast<std::size_t>(section)];
    switch (role) {
    case Qt::DisplayRole:
        return column.title;
    case Qt::TextAlignmentRole:
        return column.alignment.toInt();
    default:
        return {};
    }
}

Qt::ItemFlags ResultListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

} // namespace jiujiu

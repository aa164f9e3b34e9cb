#include "app/ListModels.h"

#include "app/Prompts.h"

namespace corvex {

namespace {
constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

template <size_t N>
QVariant ColumnHeader(const ListColumn (&columns)[N], int section, Qt::Orientation orientation,
                      int role) {
    if (orientation != Qt::Horizontal || section < 0 || size_t(section) >= N)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(columns[section].caption);
    if (role == Qt::TextAlignmentRole)
        return int(columns[section].alignment);
    return {};
}

QString Latin(const std::string& text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}
} // namespace

const ListColumn TExtractListModel::Columns[6] = {
    {"檔案名稱", 120, kLeft},
    {"目錄", 200, kLeft},
    {"大小", 80, kRight, "99.999.999"},
    {"日期", 70, kRight, "00/00/0000"},
    {"時間", 55, kRight, "00:00:00"},
    {"屬性", 30, kRight, "rahs"},
};

void TExtractListModel::SetRows(std::vector<ExtractRow>&& rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int TExtractListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int TExtractListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(std::size(Columns));
}

QVariant TExtractListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || size_t(index.row()) >= rows_.size())
        return {};
    if (role == Qt::TextAlignmentRole)
        return int(Columns[index.column()].alignment);
    if (role != Qt::DisplayRole)
        return {};
    const ExtractRow& row = rows_[size_t(index.row())];
    switch (index.column()) {
    case 0:
        return DisplayName(row.FileName);
    case 1:
        return DisplayName(row.Directory);
    case 2:
        return Latin(row.SizeText);
    case 3:
        return Latin(row.DateText);
    case 4:
        return Latin(row.TimeText);
    case 5:
        return Latin(row.AttributesText);
    }
    return {};
}

QVariant TExtractListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    return ColumnHeader(Columns, section, orientation, role);
}

const ListColumn TBuildListModel::Columns[4] = {
    {"檔案名稱", 120, kLeft},
    {"原始目錄", 200, kLeft},
    {"目標目錄", 200, kLeft},
    {"大小", 80, kRight, "99.999.999"},
};

void TBuildListModel::Append(const BuildEntry& entry) {
    if (entries_.size() == entries_.capacity())
        entries_.reserve(entries_.size() + kGrowth);
    const int row = int(entries_.size());
    beginInsertRows({}, row, row);
    entries_.push_back(entry);
    endInsertRows();
}

void TBuildListModel::RemoveRow(int row) {
    if (row < 0 || size_t(row) >= entries_.size())
        return;
    beginRemoveRows({}, row, row);
    entries_.erase(entries_.begin() + row);
    endRemoveRows();
}

void TBuildListModel::AppendRows(TBuildList::const_iterator first, TBuildList::const_iterator last) {
    if (first == last)
        return;
    const size_t count = size_t(last - first);
    if (entries_.capacity() < entries_.size() + count)
        entries_.reserve((entries_.size() + count + kGrowth - 1) / kGrowth * kGrowth);
    const int row = int(entries_.size());
    beginInsertRows({}, row, row + int(count) - 1);
    entries_.insert(entries_.end(), first, last);
    endInsertRows();
}

void TBuildListModel::RemoveRows(const std::vector<int>& ascending) {
    size_t runs = 0;
    for (size_t i = 0; i < ascending.size(); ++i)
        runs += i == 0 || ascending[i] != ascending[i - 1] + 1;
    if (runs > 32) {
        // Scattered rows: one pass over the list instead of one move of its tail per run.
        beginResetModel();
        size_t next = 0, kept = 0;
        for (size_t row = 0; row < entries_.size(); ++row) {
            if (next < ascending.size() && size_t(ascending[next]) == row) {
                ++next;
                continue;
            }
            if (kept != row)
                entries_[kept] = std::move(entries_[row]);
            ++kept;
        }
        entries_.resize(kept);
        endResetModel();
        return;
    }
    // Contiguous runs from the end, so the row numbers still to come stay valid.
    size_t i = ascending.size();
    while (i > 0) {
        size_t start = i - 1;
        while (start > 0 && ascending[start - 1] == ascending[start] - 1)
            --start;
        const int first = ascending[start];
        const int last = ascending[i - 1];
        if (first >= 0 && size_t(last) < entries_.size()) {
            beginRemoveRows({}, first, last);
            entries_.erase(entries_.begin() + first, entries_.begin() + last + 1);
            endRemoveRows();
        }
        i = start;
    }
}

void TBuildListModel::Clear() {
    beginResetModel();
    entries_.clear();
    endResetModel();
}

int TBuildListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(entries_.size());
}

int TBuildListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(std::size(Columns));
}

QVariant TBuildListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || size_t(index.row()) >= entries_.size())
        return {};
    if (role == Qt::TextAlignmentRole)
        return int(Columns[index.column()].alignment);
    if (role != Qt::DisplayRole)
        return {};
    const BuildEntry& entry = entries_[size_t(index.row())];
    switch (index.column()) {
    case 0:
        return DisplayName(entry.EntryName);
    case 1:
        return DisplayName(entry.SourceDir);
    case 2:
        return DisplayName(entry.TargetDir);
    case 3:
        return Latin(entry.SizeText);
    }
    return {};
}

QVariant TBuildListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    return ColumnHeader(Columns, section, orientation, role);
}

} // namespace corvex

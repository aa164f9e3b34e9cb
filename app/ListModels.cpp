#include "app/ListModels.h"

#include "app/Prompts.h"

namespace corvex {

namespace {
constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

template <size_t N>
QVariant ColumnHeader(const ListColumn (&columns)[N], int section, Qt::Orientation orientation, int role) {
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
    {"檔案名稱", 120, kLeft}, {"目錄", 200, kLeft}, {"大小", 80, kRight},
    {"日期", 70, kRight},     {"時間", 55, kRight}, {"屬性", 30, kRight},
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
    case 0: return DisplayName(row.FileName);
    case 1: return DisplayName(row.Directory);
    case 2: return Latin(row.SizeText);
    case 3: return Latin(row.DateText);
    case 4: return Latin(row.TimeText);
    case 5: return Latin(row.AttributesText);
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
    {"大小", 80, kRight},
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
    case 0: return DisplayName(entry.EntryName);
    case 1: return DisplayName(entry.SourceDir);
    case 2: return DisplayName(entry.TargetDir);
    case 3: return Latin(entry.SizeText);
    }
    return {};
}

QVariant TBuildListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    return ColumnHeader(Columns, section, orientation, role);
}

} // namespace corvex

// The rows of the main window's two report lists as Qt models. The rows stay byte strings; a
// name is decoded for the screen only when its row is drawn, so a listing of tens of thousands
// of files costs one vector and no widget per row.
#pragma once

#include "build/BuildList.h"
#include "cabinet/Listing.h"

#include <QAbstractTableModel>
#include <vector>

namespace corvex {

struct ListColumn {
    const char* caption; // UTF-8
    int width;           // at the design font; widened when the font in use needs more
    Qt::Alignment alignment;
    const char* sample = nullptr; // the widest text the column usually shows
};

// The rows of ListViewExtract: one per file record of the opened cabinet.
class TExtractListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    static const ListColumn Columns[6];

    using QAbstractTableModel::QAbstractTableModel;

    void SetRows(std::vector<ExtractRow>&& rows);
    const std::vector<ExtractRow>& Rows() const { return rows_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    std::vector<ExtractRow> rows_;
};

// The rows of ListViewCreate: the build list, in the order the files were added.
class TBuildListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    static const ListColumn Columns[4];
    static constexpr size_t kGrowth = 512; // rows are reserved this many at a time

    using QAbstractTableModel::QAbstractTableModel;

    void Append(const BuildEntry& entry);
    void RemoveRow(int row);
    void Clear();
    // Many rows at once: a directory tree of thousands of files, or all rows removed, would be
    // slow row by row.
    void AppendRows(TBuildList::const_iterator first, TBuildList::const_iterator last);
    void RemoveRows(const std::vector<int>& ascending);
    const TBuildList& Entries() const { return entries_; }
    const BuildEntry& Entry(int row) const { return entries_.at(size_t(row)); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    TBuildList entries_;
};

} // namespace corvex

// The frames heard on the bus as the listening window's table shows them, and its filter by
// address, function and verdict. The newest rows stay; past kListenRows the oldest go.
#pragma once

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <deque>

#include "listen/bus_pairing.h"

enum class ListenColumn { Time, GapBefore, Address, Role, Meaning, Verdict, Response };
constexpr int kListenColumns = 7;
constexpr int kListenRows = 100000;

struct ListenRow {
    listen::HeardFrame frame;
    qint64 epochUs = 0;  // the first byte's wall-clock time
};

class ListenModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    using QAbstractTableModel::QAbstractTableModel;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void append(std::vector<ListenRow> rows);
    void clear();
    const ListenRow& rowAt(int row) const { return rows_[std::size_t(row)]; }
    // Rows dropped from the top since the last clear.
    qint64 dropped() const { return dropped_; }

  private:
    std::deque<ListenRow> rows_;
    qint64 dropped_ = 0;
};

class ListenFilter : public QSortFilterProxyModel {
    Q_OBJECT
  public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    // -1: any. `verdict` is a verdict column text, empty for any.
    void setFilter(int address, int function, const QString& verdict);

  protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

  private:
    int address_ = -1;
    int function_ = -1;
    QString verdict_;
};

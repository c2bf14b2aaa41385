// The history ring as a table, and the filter the history window puts over it.
#pragma once

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QTimer>

#include "exchange/history.h"

class HistoryModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit HistoryModel(const exchange::History& history, QObject* parent = nullptr);

    // While live the model follows the ring in batches, at most every `batch` ms, so a fast
    // exchange costs one row update per batch rather than per record; while not live it waits,
    // and catches up at once when made live again.
    void setLive(bool live);
    void catchUp();
    static constexpr int kBatchMs = 100;

    const exchange::ExchangeRecord& record(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    const exchange::History& history_;
    // What the rows show: the records appended up to `shownAppended_`, of which the ones up to
    // `shownDropped_` have left the ring.
    quint64 shownAppended_ = 0;
    quint64 shownDropped_ = 0;
    bool live_ = false;
    QTimer batch_;
};

class HistoryFilter : public QSortFilterProxyModel {
  public:
    explicit HistoryFilter(HistoryModel* source, QObject* parent = nullptr);
    void setFilter(const QString& text, bool problemsOnly);

  protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

  private:
    HistoryModel* source_;
    QString text_;
    bool problemsOnly_ = false;
};

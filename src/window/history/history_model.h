// The history ring as a table, and the filter the history window puts over it.
#pragma once

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QStaticText>
#include <QStyledItemDelegate>
#include <QTimer>

#include <array>
#include <optional>

#include "exchange/history.h"
#include "exchange/history_format.h"

class HistoryModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit HistoryModel(const exchange::History& history, QObject* parent = nullptr);

    // While live the model follows the ring in batches, at most one every kBatchMs, so timed
    // mode or polling costs one redraw of the table per batch rather than one per record; a
    // record after a quiet spell shows at once. While not live it waits, and catches up at once
    // when made live again.
    void setLive(bool live);
    void catchUp();
    static constexpr int kBatchMs = 1000;

    const exchange::ExchangeRecord& record(int row) const;
    // The cell's text laid out once, for HistoryDelegate.
    static constexpr int kStaticTextRole = Qt::UserRole;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    // The texts of recently shown rows: formatting a time or a row of hexadecimal for every
    // repaint would cost more than drawing it.
    struct FormattedRow {
        quint64 appendedIndex = ~quint64(0);
        std::optional<exchange::Verdict> verdict;  // a request's row changes once, with its reply
        std::array<QString, exchange::kHistoryColumns> texts;
        std::array<QStaticText, exchange::kHistoryColumns> laidOut;
    };
    const FormattedRow& formatted(int row) const;
    mutable std::array<FormattedRow, 512> formatted_;

    const exchange::History& history_;
    // What the rows show: the records appended up to `shownAppended_`, of which the ones up to
    // `shownDropped_` have left the ring.
    quint64 shownAppended_ = 0;
    quint64 shownDropped_ = 0;
    bool live_ = false;
    QTimer batch_;
    qint64 lastCatchUpMs_ = 0;
};

// Draws a history cell from its text laid out once: the view redraws every visible row for each
// batch of new ones, and shaping the same texts again each time would cost more than all else.
class HistoryDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
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

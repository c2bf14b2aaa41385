#include "window/history/history_model.h"

#include <QApplication>
#include <QDateTime>
#include <QPainter>
#include <QPalette>
#include <algorithm>

#include "exchange/history_format.h"
#include "window/common/verdict_style.h"

using exchange::HistoryColumn;

HistoryModel::HistoryModel(const exchange::History& history, QObject* parent)
    : QAbstractTableModel(parent), history_(history) {
    batch_.setSingleShot(true);
    connect(&batch_, &QTimer::timeout, this, &HistoryModel::catchUp);
    connect(&history_, &exchange::History::grown, this, [this] {
        if (!live_ || batch_.isActive()) return;
        const qint64 sinceLast = QDateTime::currentMSecsSinceEpoch() - lastCatchUpMs_;
        batch_.start(int(std::clamp<qint64>(kBatchMs - sinceLast, 0, kBatchMs)));
    });
    shownAppended_ = history_.appendedCount();
    shownDropped_ = history_.droppedCount();
}

void HistoryModel::setLive(bool live) {
    live_ = live;
    if (live_) {
        catchUp();
    } else {
        batch_.stop();
    }
}

void HistoryModel::catchUp() {
    lastCatchUpMs_ = QDateTime::currentMSecsSinceEpoch();
    const quint64 appended = history_.appendedCount();
    const quint64 dropped = history_.droppedCount();
    if (appended == shownAppended_) return;
    const int shownRows = rowCount();
    const quint64 newlyDropped = dropped - shownDropped_;
    if (newlyDropped >= quint64(shownRows) && shownRows > 0) {
        // More left the ring than was on show: start over.
        beginResetModel();
        shownAppended_ = appended;
        shownDropped_ = dropped;
        endResetModel();
        return;
    }
    if (newlyDropped > 0) {
        beginRemoveRows({}, 0, int(newlyDropped) - 1);
        shownDropped_ = dropped;
        endRemoveRows();
    }
    const int rowsBefore = rowCount();
    beginInsertRows({}, rowsBefore, int(appended - shownDropped_) - 1);
    shownAppended_ = appended;
    endInsertRows();
    // A reply gives its verdict to the request before it, which may already be on show.
    if (rowsBefore > 0) {
        const int verdictColumn = int(HistoryColumn::Verdict);
        emit dataChanged(index(rowsBefore - 1, verdictColumn),
                         index(rowsBefore - 1, verdictColumn));
    }
}

const exchange::ExchangeRecord& HistoryModel::record(int row) const {
    // The ring may have moved on since the last batch: row 0 on show is the record that was
    // oldest then, and rows whose record has left the ring since are about to go.
    static const exchange::ExchangeRecord kGone;
    const quint64 appendedIndex = shownDropped_ + quint64(row);
    if (appendedIndex < history_.droppedCount() || appendedIndex >= history_.appendedCount())
        return kGone;
    return history_.at(std::size_t(appendedIndex - history_.droppedCount()));
}

const HistoryModel::FormattedRow& HistoryModel::formatted(int row) const {
    const quint64 appendedIndex = shownDropped_ + quint64(row);
    FormattedRow& slot = formatted_[appendedIndex % formatted_.size()];
    const exchange::ExchangeRecord& r = record(row);
    if (slot.appendedIndex != appendedIndex || slot.verdict != r.verdict) {
        slot.appendedIndex = appendedIndex;
        slot.verdict = r.verdict;
        for (int c = 0; c < exchange::kHistoryColumns; ++c) {
            slot.texts[std::size_t(c)] = exchange::CellText(r, HistoryColumn(c));
            slot.laidOut[std::size_t(c)] = QStaticText(slot.texts[std::size_t(c)]);
            slot.laidOut[std::size_t(c)].setTextFormat(Qt::PlainText);
        }
    }
    return slot;
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(shownAppended_ - shownDropped_);
}

int HistoryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : exchange::kHistoryColumns;
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const exchange::ExchangeRecord& r = record(index.row());
    const auto column = HistoryColumn(index.column());
    switch (role) {
        case Qt::DisplayRole:
            return formatted(index.row()).texts[std::size_t(column)];
        case kStaticTextRole:
            return QVariant::fromValue(formatted(index.row()).laidOut[std::size_t(column)]);
        case Qt::ToolTipRole:
            return r.detail.isEmpty() ? QVariant() : QVariant(r.detail);
        case Qt::TextAlignmentRole:
            if (column == HistoryColumn::Counter || column == HistoryColumn::ByteCount ||
                column == HistoryColumn::FirstByteMs || column == HistoryColumn::LastByteMs)
                return int(Qt::AlignRight | Qt::AlignVCenter);
            return {};
        case Qt::BackgroundRole: {
            const QPalette palette = QApplication::palette();
            if (r.direction == exchange::Direction::NotSent) return NotSentBackground(palette);
            if (r.direction == exchange::Direction::Sent || !r.verdict) return {};
            if (const auto colour = VerdictBackground(palette, *r.verdict)) return *colour;
            return {};
        }
        default:
            return {};
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    return exchange::ColumnTitle(HistoryColumn(section));
}

void HistoryDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    if (selected) {
        painter->fillRect(option.rect, option.palette.highlight());
    } else if (const QVariant background = index.data(Qt::BackgroundRole); background.isValid()) {
        painter->fillRect(option.rect, background.value<QColor>());
    }
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    const QRect area = option.rect.adjusted(3, 0, -3, 0);
    painter->setClipRect(area);
    const QStaticText text = index.data(HistoryModel::kStaticTextRole).value<QStaticText>();
    const bool right = index.data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight;
    const double x = right ? area.right() - text.size().width() : area.left();
    const double y = area.top() + (area.height() - option.fontMetrics.height()) / 2.0;
    painter->drawStaticText(QPointF(x, y), text);
    painter->restore();
}

HistoryFilter::HistoryFilter(HistoryModel* source, QObject* parent)
    : QSortFilterProxyModel(parent), source_(source) {
    setSourceModel(source);
}

void HistoryFilter::setFilter(const QString& text, bool problemsOnly) {
    text_ = text;
    problemsOnly_ = problemsOnly;
    invalidateRowsFilter();
}

bool HistoryFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    if (text_.trimmed().isEmpty() && !problemsOnly_) return true;
    return exchange::Matches(source_->record(sourceRow), text_, problemsOnly_);
}

#include "window/listen/listen_model.h"

#include <QDateTime>

#include "listen/listen_files.h"
#include "window/common/verdict_style.h"

int ListenModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int ListenModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kListenColumns;
}

QVariant ListenModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (ListenColumn(section)) {
        case ListenColumn::Time:
            return tr("time");
        case ListenColumn::GapBefore:
            return tr("gap ms");
        case ListenColumn::Address:
            return tr("address");
        case ListenColumn::Role:
            return tr("frame");
        case ListenColumn::Meaning:
            return tr("meaning");
        case ListenColumn::Verdict:
            return tr("verdict");
        case ListenColumn::Response:
            return tr("response ms");
    }
    return {};
}

QVariant ListenModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(rows_.size())) return {};
    const ListenRow& row = rows_[std::size_t(index.row())];
    const listen::HeardFrame& frame = row.frame;
    if (role == Qt::BackgroundRole) {
        if (frame.role == listen::FrameRole::Request && frame.verdict != exchange::Verdict::NoReply)
            return {};  // its reply's row carries the colour
        if (frame.role == listen::FrameRole::UnpairedReply) return {};
        const auto colour = VerdictBackground(QPalette(), frame.verdict);
        return colour ? QVariant(*colour) : QVariant();
    }
    if (role == Qt::ToolTipRole) return frame.detail.isEmpty() ? QVariant() : frame.detail;
    if (role != Qt::DisplayRole) return {};
    switch (ListenColumn(index.column())) {
        case ListenColumn::Time:
            return QDateTime::fromMSecsSinceEpoch(row.epochUs / 1000)
                .toString(QStringLiteral("HH:mm:ss.zzz"));
        case ListenColumn::GapBefore:
            return listen::MillisecondsText(frame.gapBeforeUs);
        case ListenColumn::Address:
            return frame.address < 0 ? QString() : QString::number(frame.address);
        case ListenColumn::Role:
            return listen::RoleName(frame.role);
        case ListenColumn::Meaning:
            return frame.meaning.isEmpty()
                       ? QString::fromLatin1(frame.frame.bytes.toHex(' ').toUpper())
                       : frame.meaning;
        case ListenColumn::Verdict:
            return listen::HeardVerdictName(frame);
        case ListenColumn::Response:
            return listen::MillisecondsText(frame.responseUs);
    }
    return {};
}

void ListenModel::append(std::vector<ListenRow> rows) {
    if (rows.empty()) return;
    const int first = int(rows_.size());
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    for (ListenRow& row : rows) rows_.push_back(std::move(row));
    endInsertRows();
    const int excess = int(rows_.size()) - kListenRows;
    if (excess > 0) {
        beginRemoveRows({}, 0, excess - 1);
        rows_.erase(rows_.begin(), rows_.begin() + excess);
        dropped_ += excess;
        endRemoveRows();
    }
}

void ListenModel::clear() {
    beginResetModel();
    rows_.clear();
    dropped_ = 0;
    endResetModel();
}

void ListenFilter::setFilter(int address, int function, const QString& verdict) {
    address_ = address;
    function_ = function;
    verdict_ = verdict;
    invalidateRowsFilter();
}

bool ListenFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    const auto* model = static_cast<const ListenModel*>(sourceModel());
    const listen::HeardFrame& frame = model->rowAt(sourceRow).frame;
    if (address_ >= 0 && frame.address != address_) return false;
    // An exception answers its function: 0x83 is found under 03.
    if (function_ >= 0 && (frame.function & 0x7F) != function_) return false;
    return verdict_.isEmpty() || listen::HeardVerdictName(frame) == verdict_;
}

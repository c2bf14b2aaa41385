#include "window/trend/trend_chart.h"

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QPainter>
#include <QPainterPath>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "convert/nice_ticks.h"
#include "drive/readings.h"
#include "drive/reply_decoder.h"

namespace {

// Distinct on a light and on a dark plot background.
const QColor kColours[drive::kReadings] = {
    QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28), QColor(0x2c, 0xa0, 0x2c),
    QColor(0xff, 0x7f, 0x0e), QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
    QColor(0xe3, 0x77, 0xc2), QColor(0x17, 0xbe, 0xcf), QColor(0x7f, 0x7f, 0x7f)};

// Each further drive's hue: blue, red, green, orange, purple, teal, brown, pink.
constexpr int kDriveHues[] = {210, 0, 120, 30, 275, 180, 20, 320};

// The strip of fault-code changes along the top of the plot.
constexpr int kStripHeight = 16;
// Value axes on show at once, and intervals on one.
constexpr int kMostAxesShown = 4;
constexpr int kMostTicks = 6;

}  // namespace

TraceItem::TraceItem(TrendChart& chart) : chart_(chart) {}

QRectF TraceItem::boundingRect() const {
    return chart_.chart()->plotArea();
}

void TraceItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    const QRectF area = chart_.chart()->plotArea();
    if (area.width() <= 0 || chart_.shownTo_ <= chart_.shownFrom_) return;
    const double xScale = area.width() / double(chart_.shownTo_ - chart_.shownFrom_);
    const qint64 halfBucket = chart_.trace_.bucketMs() / 2;
    const auto x = [&](qint64 t) { return area.left() + double(t - chart_.shownFrom_) * xScale; };
    painter->save();
    painter->setClipRect(area);
    painter->setRenderHint(QPainter::Antialiasing, false);
    for (const exchange::Channel& channel : chart_.channels_) {
        if (channel.reading == drive::kFaultCodeReadingIndex) continue;
        QValueAxis* axis = chart_.axisFor(channel.reading);
        const double low = axis->min();
        const double yScale = area.height() / std::max(axis->max() - low, 1e-9);
        const auto y = [&](double v) { return area.bottom() - (v - low) * yScale; };
        QPainterPath path;
        for (const exchange::TracePoint& p : chart_.trace_.points(channel)) {
            if (p.bucket + chart_.trace_.bucketMs() <= chart_.shownFrom_) continue;
            const double px = x(p.bucket + halfBucket);
            if (p.startsPiece || path.elementCount() == 0) {
                path.moveTo(px, y(p.low));
            } else {
                path.lineTo(px, y(p.low));
            }
            if (p.high != p.low) path.lineTo(px, y(p.high));
        }
        painter->setPen(QPen(chart_.colour(channel), 1.5));
        painter->drawPath(path);
    }
    // Each drive's fault code as text at each change, a strip per drive.
    int strip = 0;
    for (const exchange::Channel& channel : chart_.channels_) {
        if (channel.reading != drive::kFaultCodeReadingIndex) continue;
        const auto found = chart_.faultChanges_.find(channel.address);
        const double top = area.top() + kStripHeight * strip++;
        if (found == chart_.faultChanges_.end()) continue;
        const auto& changes = found->second;
        const QString drive =
            chart_.severalDrives() ? TrendChart::tr("Drive %1: ").arg(channel.address) : QString();
        painter->setPen(chart_.colour(channel));
        for (std::size_t i = 0; i < changes.size(); ++i) {
            const auto& [time, code] = changes[i];
            // The code in force when the span begins shows at its left edge.
            const bool later = i + 1 < changes.size() && changes[i + 1].first <= chart_.shownFrom_;
            if (later) continue;
            const double px = time < chart_.shownFrom_ ? area.left() : x(time);
            painter->drawLine(QPointF(px, top), QPointF(px, top + kStripHeight));
            painter->drawText(QPointF(px + 3, top + kStripHeight - 4),
                              drive + drive::FaultText(code));
        }
    }
    // The moments a trigger fired: a dashed line across the plot, named at its foot.
    painter->setPen(QPen(QColor(0xc0, 0x00, 0x00), 1.5, Qt::DashLine));
    for (qint64 mark : chart_.marks_) {
        if (mark < chart_.shownFrom_ || mark > chart_.shownTo_) continue;
        const double px = x(mark);
        painter->drawLine(QPointF(px, area.top()), QPointF(px, area.bottom()));
        painter->drawText(QPointF(px + 3, area.bottom() - 4), TrendChart::tr("trigger"));
    }
    painter->restore();
}

TrendChart::TrendChart(const exchange::SampleStore& samples, QWidget* parent)
    : QChartView(parent), samples_(samples) {
    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    setChart(chart);
    setRenderHint(QPainter::Antialiasing, false);

    timeAxis_ = new QDateTimeAxis;
    timeAxis_->setFormat(QStringLiteral("HH:mm:ss"));
    timeAxis_->setTickCount(6);
    chart->addAxis(timeAxis_, Qt::AlignBottom);
    item_ = new TraceItem(*this);
    item_->setZValue(10);
    chart->scene()->addItem(item_);
    // Axis labels of another width move the plot area a little; only a new width needs new
    // columns.
    connect(chart, &QChart::plotAreaChanged, this, [this](const QRectF& area) {
        item_->follow();
        if (std::max(1, int(area.width())) != columns_) rebuild(shownTo_ ? shownTo_ : nowMs());
    });
    setChannels({});
}

bool TrendChart::severalDrives() const {
    return std::any_of(channels_.begin(), channels_.end(), [this](const exchange::Channel& c) {
        return c.address != channels_.front().address;
    });
}

// One drive's readings have colours apart; with several drives each drive has a hue of its own
// and its readings are shades of it.
QColor TrendChart::colour(const exchange::Channel& channel) const {
    if (!severalDrives()) return kColours[channel.reading];
    std::vector<int> drives;
    int shade = 0;
    for (const exchange::Channel& c : channels_) {
        if (std::find(drives.begin(), drives.end(), c.address) == drives.end())
            drives.push_back(c.address);
        if (c.address == channel.address && c.reading < channel.reading) ++shade;
    }
    const auto at = std::find(drives.begin(), drives.end(), channel.address) - drives.begin();
    return QColor::fromHsl(kDriveHues[std::size_t(at) % std::size(kDriveHues)],
                           200 - 20 * (shade % 4), 80 + 35 * (shade % 4));
}

QLineSeries* TrendChart::seriesFor(const exchange::Channel& channel) {
    auto found = series_.find(channel);
    if (found != series_.end()) return found->second;
    // A series names the line in the legend and ties it to its axes; the trace item draws the
    // line itself.
    auto* series = new QLineSeries;
    chart()->addSeries(series);
    series->attachAxis(timeAxis_);
    if (channel.reading != drive::kFaultCodeReadingIndex)
        series->attachAxis(axisFor(channel.reading));
    series->setVisible(false);
    series_[channel] = series;
    return series;
}

QValueAxis* TrendChart::axisFor(int reading) {
    const QString unit = QString::fromUtf8(drive::ReadingAt(reading).unit);
    auto found = unitAxes_.find(unit);
    if (found != unitAxes_.end()) return found->second;
    auto* axis = new QValueAxis;
    axis->setTitleText(unit);
    axis->setLabelFormat(QStringLiteral("%.1f"));
    // Ticks on round values (0, 10, 20 Hz) rather than at fifths of whatever the range is.
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    chart()->addAxis(axis, unitAxes_.size() % 2 ? Qt::AlignRight : Qt::AlignLeft);
    unitAxes_[unit] = axis;
    return axis;
}

void TrendChart::setChannels(const std::vector<exchange::Channel>& channels) {
    channels_ = channels;
    for (auto& [channel, series] : series_)
        series->setVisible(std::count(channels_.begin(), channels_.end(), channel) > 0);
    for (const exchange::Channel& channel : channels_) {
        QLineSeries* series = seriesFor(channel);
        series->setColor(colour(channel));
        series->setVisible(true);
    }
    // Only the axes of the units on show, the first four of them: more crowd the plot away.
    // A reading whose axis stays hidden names its range in the legend instead.
    std::vector<QValueAxis*> used;
    for (const exchange::Channel& channel : channels_)
        if (channel.reading != drive::kFaultCodeReadingIndex &&
            std::find(used.begin(), used.end(), axisFor(channel.reading)) == used.end())
            used.push_back(axisFor(channel.reading));
    for (auto& [unit, axis] : unitAxes_) {
        const auto at = std::find(used.begin(), used.end(), axis);
        axis->setVisible(at != used.end() && at - used.begin() < kMostAxesShown);
    }
    nameSeries();
    refresh();
}

void TrendChart::nameSeries() {
    const bool several = severalDrives();
    for (auto& [channel, series] : series_) {
        const drive::Reading& r = drive::ReadingAt(channel.reading);
        QString name =
            several ? tr("Drive %1 %2").arg(channel.address).arg(QString::fromUtf8(r.caption))
                    : QString::fromUtf8(r.caption);
        if (*r.unit) {
            const QValueAxis* axis = axisFor(channel.reading);
            name += axis->isVisible() || !series->isVisible()
                        ? QStringLiteral(" (%1)").arg(QString::fromUtf8(r.unit))
                        : tr(" (%1, %2 to %3)")
                              .arg(QString::fromUtf8(r.unit), QString::number(axis->min(), 'g', 6),
                                   QString::number(axis->max(), 'g', 6));
        }
        if (series->name() != name) series->setName(name);
    }
}

void TrendChart::setSpan(qint64 ms) {
    spanMs_ = ms;
    rebuild(nowMs());
}

void TrendChart::showStretch(qint64 fromMs, qint64 toMs) {
    stretchEnd_ = toMs;
    spanMs_ = std::max<qint64>(toMs - fromMs, 1);
    rebuild(toMs);
    item_->update();
}

void TrendChart::setMarks(const std::vector<qint64>& times) {
    marks_ = times;
    item_->update();
}

qint64 TrendChart::nowMs() const {
    return stretchEnd_ ? stretchEnd_ : QDateTime::currentMSecsSinceEpoch();
}

void TrendChart::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    item_->follow();
}

// Starts the trace over from the store: for a new span or width, or when "all" has grown so
// much that its columns are too narrow for the time it now covers.
void TrendChart::rebuild(qint64 now) {
    columns_ = std::max(1, int(chart()->plotArea().width()));
    qint64 span = spanMs_;
    if (span == 0) {
        const qint64 oldest = samples_.size() ? samples_.at(0).timeMs : now;
        span =
            std::max<qint64>(now - oldest, 10000) * 5 / 4;  // room to grow before the next rebuild
    }
    trace_.reset(std::max<qint64>(span / columns_, 1));
    faultChanges_.clear();
    const std::size_t first = samples_.firstAtOrAfter(now - span);
    for (std::size_t i = first; i < samples_.size(); ++i) take(samples_.at(i));
    taken_ = samples_.appendedCount();
    updateAxes(now);
}

void TrendChart::take(const exchange::Sample& sample) {
    trace_.add(sample);
    if (sample.reading != drive::kFaultCodeReadingIndex || !sample.good()) return;
    auto& changes = faultChanges_[sample.address];
    if (changes.empty() || changes.back().second != sample.raw)
        changes.emplace_back(sample.timeMs, sample.raw);
}

void TrendChart::refresh() {
    const qint64 now = nowMs();
    if (samples_.appendedCount() < taken_ || samples_.appendedCount() - taken_ > samples_.size()) {
        rebuild(now);  // the store was cleared, or more left it than we took in
    } else if (spanMs_ == 0 && samples_.size() &&
               (now - samples_.at(0).timeMs) > trace_.bucketMs() * columns_) {
        rebuild(now);
    } else {
        const std::size_t fresh = std::size_t(samples_.appendedCount() - taken_);
        for (std::size_t i = samples_.size() - fresh; i < samples_.size(); ++i)
            take(samples_.at(i));
        taken_ = samples_.appendedCount();
        updateAxes(now);
    }
    item_->update();
}

// The axes move in steps rather than with every redraw: new axis labels mean a new layout of
// the chart, which would cost more than the lines. The time axis runs a twentieth of its span
// ahead and jumps on by that much; a value axis widens at once but narrows only when its
// readings use less than half of it, always to round numbers.
void TrendChart::updateAxes(qint64 now) {
    const qint64 span = spanMs_ ? spanMs_ : trace_.bucketMs() * columns_;
    const qint64 step = std::max<qint64>(span / 20, 100);
    if (stretchEnd_) {
        shownTo_ = stretchEnd_;
        shownFrom_ = stretchEnd_ - span;
        timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(shownFrom_),
                            QDateTime::fromMSecsSinceEpoch(shownTo_));
    } else if (now > shownTo_ || now < shownTo_ - 2 * step || spanMs_ == 0) {
        shownTo_ = (now / step + 1) * step;
        shownFrom_ =
            spanMs_ ? shownTo_ - span : (samples_.size() ? samples_.at(0).timeMs : now - span);
        timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(shownFrom_),
                            QDateTime::fromMSecsSinceEpoch(shownTo_));
    }
    trace_.dropBefore(shownFrom_ - trace_.bucketMs());
    for (auto& [address, changes] : faultChanges_)
        while (changes.size() > 1 && changes[1].first < shownFrom_) changes.erase(changes.begin());
    // Each unit's axis spans what its readings show, with a little room.
    std::map<QValueAxis*, std::pair<double, double>> ranges;
    for (const exchange::Channel& channel : channels_) {
        if (channel.reading == drive::kFaultCodeReadingIndex) continue;
        auto& range = ranges.try_emplace(axisFor(channel.reading), 1e300, -1e300).first->second;
        for (const exchange::TracePoint& p : trace_.points(channel)) {
            range.first = std::min(range.first, p.low);
            range.second = std::max(range.second, p.high);
        }
    }
    bool renamed = false;
    for (auto& [axis, range] : ranges) {
        auto [low, high] = range;
        if (low > high) low = 0, high = 1;
        const bool outside = low < axis->min() || high > axis->max();
        const bool loose = (high - low) < 0.5 * (axis->max() - axis->min());
        if (!outside && !loose) continue;
        // Round values, labelled with the decimals their step needs: never two alike.
        const conv::Ticks ticks = conv::NiceTicks(low, high, kMostTicks);
        if (qFuzzyCompare(axis->min() + 1, ticks.from + 1) &&
            qFuzzyCompare(axis->max() + 1, ticks.to + 1))
            continue;  // already there: a new range would lay the chart out again
        axis->setRange(ticks.from, ticks.to);
        axis->setTickAnchor(ticks.from);
        axis->setTickInterval(ticks.step);
        axis->setLabelFormat(QStringLiteral("%.%1f").arg(ticks.decimals));
        renamed = renamed || !axis->isVisible();
    }
    if (renamed) nameSeries();
}

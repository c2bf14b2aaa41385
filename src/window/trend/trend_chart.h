// The trend chart: one line per chosen reading of each drive over the last 10 s, 1 min, 10 min or
// all of it, each on a y axis of its unit, and the fault code as a strip of its changes. The lines
// come from the decimated trace (the minimum and maximum of each pixel column), so an hour of
// samples draws as quickly as a minute; Qt Charts provides the axes, the legend and the frame.
#pragma once

#include <QChartView>
#include <QGraphicsObject>
#include <map>
#include <vector>

#include "exchange/samples.h"

class QDateTimeAxis;
class QLineSeries;
class QValueAxis;
class TrendChart;

// Draws the trace's pieces over the chart's plot area.
class TraceItem : public QGraphicsObject {
  public:
    explicit TraceItem(TrendChart& chart);
    // The plot area moved or grew.
    void follow() { prepareGeometryChange(); }
    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override;

  private:
    TrendChart& chart_;
};

class TrendChart : public QChartView {
    Q_OBJECT
  public:
    explicit TrendChart(const exchange::SampleStore& samples, QWidget* parent = nullptr);

    // The lines drawn: one per channel, each drive's in a colour family of its own when there
    // are several drives.
    void setChannels(const std::vector<exchange::Channel>& channels);
    // The time shown: the last `ms` milliseconds, or all samples kept with 0.
    void setSpan(qint64 ms);
    // Takes in the samples stored since the last call, moves the axes on and redraws.
    void refresh();
    // Shows this stretch of time, still, instead of the last moments: a snapshot's picture.
    void showStretch(qint64 fromMs, qint64 toMs);
    // Moments marked on the chart with a line: where a trigger fired.
    void setMarks(const std::vector<qint64>& times);

    const exchange::Trace& trace() const { return trace_; }
    QColor colour(const exchange::Channel& channel) const;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    friend class TraceItem;
    QValueAxis* axisFor(int reading);
    QLineSeries* seriesFor(const exchange::Channel& channel);
    bool severalDrives() const;
    // The legend's names: caption and unit, and the range of an axis that is not on show.
    void nameSeries();
    void rebuild(qint64 now);
    void take(const exchange::Sample& sample);
    void updateAxes(qint64 now);
    // The time the chart ends at: now, or the end of the stretch shown.
    qint64 nowMs() const;

    const exchange::SampleStore& samples_;
    exchange::Trace trace_;
    quint64 taken_ = 0;  // samples taken in, as the store counts them
    std::vector<exchange::Channel> channels_;
    qint64 spanMs_ = 60000;
    qint64 shownFrom_ = 0;
    qint64 shownTo_ = 0;
    qint64 stretchEnd_ = 0;  // 0: the chart follows the clock
    std::vector<qint64> marks_;
    int columns_ = 0;
    // Each drive's fault code changes: time and the new code.
    std::map<int, std::vector<std::pair<qint64, int>>> faultChanges_;

    QDateTimeAxis* timeAxis_ = nullptr;
    std::map<QString, QValueAxis*> unitAxes_;
    std::map<exchange::Channel, QLineSeries*> series_;
    TraceItem* item_ = nullptr;
};

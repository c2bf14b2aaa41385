#include "window/trend_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "window/trend_chart.h"

namespace {

// The chart catches up this often while polling and shown: five frames a second follow a ramp
// without drawing for every sample.
constexpr int kRedrawMs = 200;

const std::pair<const char*, qint64> kSpans[] = {
    {"最近 10 秒", 10000}, {"最近 1 分钟", 60000}, {"最近 10 分钟", 600000}, {"全部", 0}};

}  // namespace

TrendWindow::TrendWindow(exchange::Poller& poller, QWidget* parent)
    : QWidget(parent, Qt::Window), poller_(poller) {
    setObjectName(QStringLiteral("TrendWindow"));
    setWindowTitle(QStringLiteral("趋势监视"));
    resize(960, 620);

    auto* readings = new QGridLayout;
    for (int r = 0; r < drive::kReadings; ++r) {
        const drive::Reading& reading = drive::ReadingAt(r);
        QString caption = QString::fromUtf8(reading.caption);
        if (*reading.unit) caption += QStringLiteral(" (%1)").arg(QString::fromUtf8(reading.unit));
        readingBoxes[std::size_t(r)] = new QCheckBox(caption, this);
        readingBoxes[std::size_t(r)]->setObjectName(QLatin1String(reading.name));
        rateLabels[std::size_t(r)] = new QLabel(this);
        badLabels[std::size_t(r)] = new QLabel(this);
        readings->addWidget(readingBoxes[std::size_t(r)], r, 0);
        readings->addWidget(rateLabels[std::size_t(r)], r, 1);
        readings->addWidget(badLabels[std::size_t(r)], r, 2);
    }
    readings->setColumnMinimumWidth(1, 90);
    readings->setColumnStretch(2, 1);

    startButton = new QPushButton(this);
    spanBox = new QComboBox(this);
    for (const auto& [text, ms] : kSpans) spanBox->addItem(QString::fromUtf8(text), ms);
    spanBox->setCurrentIndex(1);
    timeoutBox = new QSpinBox(this);
    timeoutBox->setRange(50, 2000);
    timeoutBox->setSingleStep(10);
    timeoutBox->setSuffix(QStringLiteral(" ms"));
    timeoutBox->setToolTip(
        QStringLiteral("回应超时: how long a capture waits for a reply's first byte"));
    saveButton = new QPushButton(QStringLiteral("保存…"), this);
    lineLabel = new QLabel(this);
    noteLabel = new QLabel(this);
    noteLabel->setStyleSheet(QStringLiteral("color: #b05000;"));

    auto* controls = new QHBoxLayout;
    controls->addWidget(startButton);
    controls->addWidget(spanBox);
    controls->addWidget(new QLabel(QStringLiteral("回应超时"), this));
    controls->addWidget(timeoutBox);
    controls->addWidget(saveButton);
    controls->addStretch(1);
    controls->addWidget(lineLabel);

    chart = new TrendChart(poller_.samples(), this);
    chart->setSpan(60000);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(readings);
    layout->addLayout(controls);
    layout->addWidget(chart, 1);
    layout->addWidget(noteLabel);

    redraw_ = new QTimer(this);
    redraw_->setInterval(kRedrawMs);
    connect(redraw_, &QTimer::timeout, this, [this] {
        chart->refresh();
        // The rates are averages over seconds; their labels change once a second.
        if (++redraws_ % (1000 / kRedrawMs) == 0) showFigures();
    });
    connect(startButton, &QPushButton::clicked, this, [this] {
        if (poller_.running()) {
            emit stopRequested();
        } else {
            emit startRequested(chosenReadings());
        }
    });
    connect(spanBox, &QComboBox::currentIndexChanged, this,
            [this] { chart->setSpan(spanBox->currentData().toLongLong()); });
    connect(timeoutBox, &QSpinBox::valueChanged, this, &TrendWindow::replyTimeoutChosen);
    for (QCheckBox* box : readingBoxes)
        connect(box, &QCheckBox::toggled, this, [this] { chart->setReadings(chosenReadings()); });
    connect(saveButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(
            this, QStringLiteral("保存趋势数据"),
            QStringLiteral("趋势-%1.csv")
                .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))),
            QStringLiteral("CSV (*.csv)"));
        if (path.isEmpty()) return;
        QString error;
        note(saveSamples(path, &error) ? QStringLiteral("已保存到 %1").arg(path)
                                       : QStringLiteral("未能保存 %1：%2").arg(path, error));
    });
    connect(&poller_, &exchange::Poller::runningChanged, this, &TrendWindow::showRunning);
    showRunning(poller_.running());
}

std::vector<int> TrendWindow::chosenReadings() const {
    std::vector<int> chosen;
    for (int r = 0; r < drive::kReadings; ++r)
        if (readingBoxes[std::size_t(r)]->isChecked()) chosen.push_back(r);
    return chosen;
}

void TrendWindow::choose(const std::vector<int>& readings) {
    for (int r = 0; r < drive::kReadings; ++r)
        readingBoxes[std::size_t(r)]->setChecked(std::find(readings.begin(), readings.end(), r) !=
                                                 readings.end());
}

void TrendWindow::note(const QString& text) {
    noteLabel->setText(text);
}

bool TrendWindow::saveSamples(const QString& path, QString* error) {
    return exchange::SaveSamples(path, poller_.samples(), error);
}

void TrendWindow::setReplyTimeout(int milliseconds) {
    const QSignalBlocker quiet(timeoutBox);
    timeoutBox->setValue(milliseconds);
}

void TrendWindow::showEvent(QShowEvent* event) {
    if (poller_.running()) redraw_->start();
    chart->refresh();
    showFigures();
    QWidget::showEvent(event);
}

void TrendWindow::hideEvent(QHideEvent* event) {
    redraw_->stop();
    QWidget::hideEvent(event);
}

void TrendWindow::showRunning(bool running) {
    startButton->setText(running ? QStringLiteral("停止") : QStringLiteral("开始"));
    if (running && isVisible()) {
        redraw_->start();
    } else if (!running) {
        redraw_->stop();
        chart->refresh();
        showFigures();
    }
}

// The achieved rate of each reading beside the line's limit, and the bad samples by verdict.
void TrendWindow::showFigures() {
    const std::vector<int> polled = poller_.readings();
    const double limit = poller_.lineLimit();
    double total = 0;
    for (int r = 0; r < drive::kReadings; ++r) {
        const bool isPolled = std::find(polled.begin(), polled.end(), r) != polled.end();
        const double rate = isPolled ? poller_.rate(r) : 0;
        total += rate;
        rateLabels[std::size_t(r)]->setText(isPolled ? QStringLiteral("%1 /s").arg(rate, 0, 'f', 1)
                                                     : QString());
        QStringList bad;
        for (exchange::Verdict verdict :
             {exchange::Verdict::NoReply, exchange::Verdict::Incomplete,
              exchange::Verdict::CheckError, exchange::Verdict::OtherAnswer})
            if (const int n = poller_.count(r, verdict))
                bad << QStringLiteral("%1 %2").arg(exchange::VerdictName(verdict)).arg(n);
        if (const int n = poller_.notSentCount(r)) bad << QStringLiteral("未发送 %1").arg(n);
        badLabels[std::size_t(r)]->setText(bad.join(QStringLiteral("  ")));
    }
    lineLabel->setText(limit > 0 ? QStringLiteral("实际 %1 /s，线路上限 %2 /s")
                                       .arg(total, 0, 'f', 1)
                                       .arg(limit, 0, 'f', 1)
                                 : QString());
}

#include "window/trend/trend_window.h"
#include "window/common/file_places.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "exchange/history_file.h"
#include "window/trend/trend_chart.h"

namespace {

// The chart catches up this often while polling and shown: five frames a second follow a ramp
// without drawing for every sample.
constexpr int kRedrawMs = 200;

const std::pair<const char*, qint64> kSpans[] = {
    {QT_TRANSLATE_NOOP("TrendWindow", "last 10 s"), 10000},
    {QT_TRANSLATE_NOOP("TrendWindow", "last minute"), 60000},
    {QT_TRANSLATE_NOOP("TrendWindow", "last 10 minutes"), 600000},
    {QT_TRANSLATE_NOOP("TrendWindow", "all"), 0}};

}  // namespace

TrendWindow::TrendWindow(exchange::Poller& poller, QWidget* parent)
    : QWidget(parent, Qt::Window), poller_(poller) {
    setObjectName(QStringLiteral("TrendWindow"));
    setWindowTitle(tr("Trend monitor"));
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
    for (const auto& [text, ms] : kSpans) spanBox->addItem(tr(text), ms);
    spanBox->setCurrentIndex(1);
    timeoutBox = new QSpinBox(this);
    timeoutBox->setRange(50, 2000);
    timeoutBox->setSingleStep(10);
    timeoutBox->setSuffix(QStringLiteral(" ms"));
    timeoutBox->setToolTip(
        tr("Reply timeout (回应超时): how long a capture waits for a reply's first byte"));
    saveButton = new QPushButton(tr("Save…"), this);
    lineLabel = new QLabel(this);
    noteLabel = new QLabel(this);
    noteLabel->setStyleSheet(QStringLiteral("color: #b05000;"));
    noteLabel->setWordWrap(true);
    addressLabel = new QLabel(this);
    addressLabel->setObjectName(QStringLiteral("addressLabel"));
    suggestedTimeoutButton = new QPushButton(this);
    suggestedTimeoutButton->setObjectName(QStringLiteral("suggestedTimeoutButton"));
    suggestedTimeoutButton->hide();

    auto* controls = new QHBoxLayout;
    controls->addWidget(addressLabel);
    controls->addWidget(startButton);
    controls->addWidget(spanBox);
    controls->addWidget(new QLabel(tr("Reply timeout"), this));
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
    auto* notes = new QHBoxLayout;
    notes->addWidget(noteLabel, 1);
    notes->addWidget(suggestedTimeoutButton);
    layout->addLayout(notes);

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
    connect(suggestedTimeoutButton, &QPushButton::clicked, this, [this] {
        emit replyTimeoutChosen(suggestedTimeoutButton->property("milliseconds").toInt());
    });
    connect(&poller_, &exchange::Poller::addressChanged, this, &TrendWindow::showAddress);
    showAddress(poller_.address());
    for (QCheckBox* box : readingBoxes)
        connect(box, &QCheckBox::toggled, this, [this] { chart->setReadings(chosenReadings()); });
    connect(saveButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(
            this, tr("Save the trend's samples"),
            SuggestedPath(
                tr("trend-%1.csv")
                    .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")))),
            QStringLiteral("CSV (*.csv)"));
        RememberFolder(path);
        if (path.isEmpty()) return;
        QString error;
        note(saveSamples(path, &error) ? tr("Saved to %1").arg(QDir::toNativeSeparators(path))
                                       : exchange::SaveFailureText(path, error));
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

void TrendWindow::showAddress(int address) {
    addressLabel->setText(tr("Drive %1").arg(address));
    addressLabel->setToolTip(
        tr("The drive polled: the inverter address (变频地址) of the main "
           "window"));
}

void TrendWindow::offerTimeout(int milliseconds) {
    suggestedTimeoutButton->setVisible(milliseconds > 0);
    suggestedTimeoutButton->setProperty("milliseconds", milliseconds);
    suggestedTimeoutButton->setText(tr("Use %1 ms").arg(milliseconds));
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
    startButton->setText(running ? tr("Stop") : tr("Start"));
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
              exchange::Verdict::CheckError, exchange::Verdict::OtherAnswer,
              exchange::Verdict::Exception})
            if (const int n = poller_.count(r, verdict))
                bad << QStringLiteral("%1 %2").arg(exchange::VerdictFileWord(verdict)).arg(n);
        if (const int n = poller_.notSentCount(r)) bad << tr("not sent %1").arg(n);
        badLabels[std::size_t(r)]->setText(bad.join(QStringLiteral("  ")));
    }
    lineLabel->setText(limit > 0 ? tr("achieved %1 /s, the line's limit %2 /s")
                                       .arg(total, 0, 'f', 1)
                                       .arg(limit, 0, 'f', 1)
                                 : QString());
}

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
#include <QToolButton>
#include <QVBoxLayout>

#include "exchange/history_file.h"
#include "window/trend/trend_chart.h"
#include "window/trend/trigger_panel.h"

namespace {

// The chart catches up this often while polling and shown: five frames a second follow a ramp
// without drawing for every sample.
constexpr int kRedrawMs = 200;

// The grid's columns: the main drive's check boxes, their rates, then one column per further
// drive, and the main drive's bad counts last.
constexpr int kBadColumn = 2;

const std::pair<const char*, qint64> kSpans[] = {
    {QT_TRANSLATE_NOOP("TrendWindow", "last 10 s"), 10000},
    {QT_TRANSLATE_NOOP("TrendWindow", "last minute"), 60000},
    {QT_TRANSLATE_NOOP("TrendWindow", "last 10 minutes"), 600000},
    {QT_TRANSLATE_NOOP("TrendWindow", "all"), 0}};

}  // namespace

TrendWindow::TrendWindow(exchange::Poller& poller, trip::TripCapture& capture, QWidget* parent)
    : QWidget(parent, Qt::Window), poller_(poller) {
    setObjectName(QStringLiteral("TrendWindow"));
    setWindowTitle(tr("Trend monitor"));
    resize(960, 760);

    auto* readings = grid_ = new QGridLayout;
    addressLabel = new QLabel(this);
    addressLabel->setObjectName(QStringLiteral("addressLabel"));
    readings->addWidget(addressLabel, 0, 0);
    for (int r = 0; r < drive::kReadings; ++r) {
        const drive::Reading& reading = drive::ReadingAt(r);
        QString caption = QString::fromUtf8(reading.caption);
        if (*reading.unit) caption += QStringLiteral(" (%1)").arg(QString::fromUtf8(reading.unit));
        readingBoxes[std::size_t(r)] = new QCheckBox(caption, this);
        readingBoxes[std::size_t(r)]->setObjectName(QLatin1String(reading.name));
        rateLabels[std::size_t(r)] = new QLabel(this);
        badLabels[std::size_t(r)] = new QLabel(this);
        readings->addWidget(readingBoxes[std::size_t(r)], r + 1, 0);
        readings->addWidget(rateLabels[std::size_t(r)], r + 1, 1);
        readings->addWidget(badLabels[std::size_t(r)], r + 1, kBadColumn);
    }
    readings->setColumnMinimumWidth(1, 90);
    readings->setColumnStretch(kBadColumn, 1);

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
    suggestedTimeoutButton = new QPushButton(this);
    suggestedTimeoutButton->setObjectName(QStringLiteral("suggestedTimeoutButton"));
    suggestedTimeoutButton->hide();

    driveBox = new QSpinBox(this);
    driveBox->setObjectName(QStringLiteral("driveBox"));
    driveBox->setRange(1, 247);
    driveBox->setPrefix(tr("Drive "));
    addDriveButton = new QPushButton(tr("Add drive"), this);
    addDriveButton->setObjectName(QStringLiteral("addDriveButton"));
    addDriveButton->setToolTip(
        tr("Poll a further drive on the same line alongside the one in 变频地址"));

    auto* controls = new QHBoxLayout;
    controls->addWidget(startButton);
    controls->addWidget(spanBox);
    controls->addWidget(new QLabel(tr("Reply timeout"), this));
    controls->addWidget(timeoutBox);
    controls->addWidget(saveButton);
    controls->addWidget(driveBox);
    controls->addWidget(addDriveButton);
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
    triggerPanel = new TriggerPanel(capture, this);
    layout->addWidget(triggerPanel);
    // Each moment a trigger fired stays marked on the chart.
    connect(&capture, &trip::TripCapture::eventChanged, this,
            [this, &capture] { chart->setMarks(capture.moments()); });

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
            emit startRequested(chosenReadings(), chosenChannels());
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
        connect(box, &QCheckBox::toggled, this, &TrendWindow::showChannels);
    connect(addDriveButton, &QPushButton::clicked, this, [this] { addDrive(driveBox->value()); });
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

std::vector<exchange::Channel> TrendWindow::chosenChannels() const {
    std::vector<exchange::Channel> chosen;
    for (const DriveColumn& column : columns_)
        for (int r = 0; r < drive::kReadings; ++r)
            if (column.boxes[std::size_t(r)]->isChecked())
                chosen.push_back(exchange::Channel{column.address, r});
    return chosen;
}

void TrendWindow::chooseChannels(const std::vector<exchange::Channel>& channels) {
    for (const exchange::Channel& channel : channels) {
        auto column = std::find_if(columns_.begin(), columns_.end(), [&](const DriveColumn& c) {
            return c.address == channel.address;
        });
        if (column == columns_.end()) {
            if (!addDrive(channel.address)) continue;
            column = columns_.end() - 1;
        }
        column->boxes[std::size_t(channel.reading)]->setChecked(true);
    }
}

bool TrendWindow::addDrive(int address) {
    if (address < 1 || address > 247) return false;
    if (address == mainAddress_) {
        note(tr("Drive %1 is the one in 变频地址: tick its readings on the left").arg(address));
        return false;
    }
    if (std::any_of(columns_.begin(), columns_.end(),
                    [address](const DriveColumn& c) { return c.address == address; }))
        return false;
    DriveColumn column;
    column.address = address;
    const int at = kBadColumn + int(columns_.size());
    // The main drive's bad counts stay in the last column, after every further drive.
    for (int r = 0; r <= drive::kReadings; ++r)
        if (QLayoutItem* item = grid_->itemAtPosition(r, at)) {
            QWidget* widget = item->widget();
            grid_->removeWidget(widget);
            grid_->addWidget(widget, r, at + 1);
        }
    grid_->setColumnStretch(at, 0);
    grid_->setColumnStretch(at + 1, 1);
    auto* header = new QWidget(this);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(0, 0, 0, 0);
    column.header = new QLabel(tr("Drive %1").arg(address), header);
    column.removeButton = new QToolButton(header);
    column.removeButton->setText(QStringLiteral("×"));
    column.removeButton->setObjectName(QStringLiteral("removeDrive%1").arg(address));
    column.removeButton->setToolTip(tr("Stop polling drive %1").arg(address));
    headerLayout->addWidget(column.header);
    headerLayout->addWidget(column.removeButton);
    grid_->addWidget(header, 0, at);
    for (int r = 0; r < drive::kReadings; ++r) {
        auto* box = new QCheckBox(this);
        box->setObjectName(
            QStringLiteral("%1@%2").arg(QLatin1String(drive::ReadingAt(r).name)).arg(address));
        box->setToolTip(
            tr("Drive %1 %2").arg(address).arg(QString::fromUtf8(drive::ReadingAt(r).caption)));
        connect(box, &QCheckBox::toggled, this, [this] {
            showChannels();
            repollSoon();
        });
        grid_->addWidget(box, r + 1, at);
        column.boxes[std::size_t(r)] = box;
    }
    connect(column.removeButton, &QToolButton::clicked, this,
            [this, address] { removeDrive(address); });
    columns_.push_back(column);
    showChannels();
    return true;
}

void TrendWindow::removeDrive(int address) {
    const auto column =
        std::find_if(columns_.begin(), columns_.end(),
                     [address](const DriveColumn& c) { return c.address == address; });
    if (column == columns_.end()) return;
    const int at = kBadColumn + int(column - columns_.begin());
    // The header holds the remove button whose click may be the one being handled.
    grid_->removeWidget(column->header->parentWidget());
    column->header->parentWidget()->hide();
    column->header->parentWidget()->deleteLater();
    for (QCheckBox* box : column->boxes) delete box;
    columns_.erase(column);
    // The columns after it close up.
    for (int c = at + 1; c <= kBadColumn + int(columns_.size()) + 1; ++c)
        for (int r = 0; r <= drive::kReadings; ++r)
            if (QLayoutItem* item = grid_->itemAtPosition(r, c)) {
                QWidget* widget = item->widget();
                grid_->removeWidget(widget);
                grid_->addWidget(widget, r, c - 1);
            }
    for (int c = kBadColumn; c <= kBadColumn + int(columns_.size()) + 1; ++c)
        grid_->setColumnStretch(c, c == kBadColumn + int(columns_.size()) ? 1 : 0);
    showChannels();
    repollSoon();
}

// A further drive's reading ticked or unticked, or a drive removed, while polling is polled,
// or left alone, from then on: polling starts again with what is ticked, once for a run of
// changes.
void TrendWindow::repollSoon() {
    if (!poller_.running() || repollPending_) return;
    repollPending_ = true;
    QTimer::singleShot(0, this, [this] {
        repollPending_ = false;
        if (poller_.running()) emit startRequested(chosenReadings(), chosenChannels());
    });
}

// The chart draws what is ticked: the main drive's readings at its address and the others'.
void TrendWindow::showChannels() {
    std::vector<exchange::Channel> channels;
    for (int reading : chosenReadings()) channels.push_back({mainAddress_, reading});
    for (const exchange::Channel& channel : chosenChannels())
        if (std::find(channels.begin(), channels.end(), channel) == channels.end())
            channels.push_back(channel);
    chart->setChannels(channels);
}

void TrendWindow::note(const QString& text) {
    noteLabel->setText(text);
}

bool TrendWindow::saveSamples(const QString& path, QString* error) {
    return exchange::SaveSamples(path, poller_.samples(), error);
}

void TrendWindow::showAddress(int address) {
    mainAddress_ = address;
    addressLabel->setText(tr("Drive %1").arg(address));
    if (chart) showChannels();
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

QString TrendWindow::badCounts(const exchange::Channel& channel) const {
    QStringList bad;
    for (exchange::Verdict verdict :
         {exchange::Verdict::NoReply, exchange::Verdict::Incomplete, exchange::Verdict::CheckError,
          exchange::Verdict::OtherAnswer, exchange::Verdict::Exception})
        if (const int n = poller_.count(channel, verdict))
            bad << QStringLiteral("%1 %2").arg(exchange::VerdictFileWord(verdict)).arg(n);
    if (const int n = poller_.notSentCount(channel)) bad << tr("not sent %1").arg(n);
    return bad.join(QStringLiteral("  "));
}

// The achieved rate of each channel beside the line's limit, the bad samples by verdict, and a
// drive that stopped answering marked.
void TrendWindow::showFigures() {
    const std::vector<exchange::Channel>& polled = poller_.cycle();
    const auto isPolled = [&polled](const exchange::Channel& channel) {
        return std::find(polled.begin(), polled.end(), channel) != polled.end();
    };
    const double limit = poller_.lineLimit();
    double total = 0;
    for (int r = 0; r < drive::kReadings; ++r) {
        const exchange::Channel channel{poller_.address(), r};
        const double rate = isPolled(channel) ? poller_.rate(channel) : 0;
        total += rate;
        rateLabels[std::size_t(r)]->setText(
            isPolled(channel) ? QStringLiteral("%1 /s").arg(rate, 0, 'f', 1) : QString());
        badLabels[std::size_t(r)]->setText(badCounts(channel));
    }
    const QString silentStyle = QStringLiteral("color: #c00000;");
    const auto markSilence = [&](QLabel* label, int address) {
        const bool silent = poller_.running() && poller_.silent(address);
        label->setStyleSheet(silent ? silentStyle : QString());
        label->setToolTip(
            silent ? tr("Drive %1 does not answer: asked once a round until it does").arg(address)
                   : QString());
    };
    markSilence(addressLabel, poller_.address());
    for (const DriveColumn& column : columns_) {
        markSilence(column.header, column.address);
        for (int r = 0; r < drive::kReadings; ++r) {
            const exchange::Channel channel{column.address, r};
            QCheckBox* box = column.boxes[std::size_t(r)];
            const double rate = isPolled(channel) ? poller_.rate(channel) : 0;
            total += rate;
            box->setText(isPolled(channel) ? QStringLiteral("%1 /s").arg(rate, 0, 'f', 1)
                                           : QString());
            const QString bad = badCounts(channel);
            box->setToolTip(tr("Drive %1 %2")
                                .arg(column.address)
                                .arg(QString::fromUtf8(drive::ReadingAt(r).caption)) +
                            (bad.isEmpty() ? QString() : QStringLiteral("\n") + bad));
        }
    }
    lineLabel->setText(limit > 0 ? tr("achieved %1 /s, the line's limit %2 /s")
                                       .arg(total, 0, 'f', 1)
                                       .arg(limit, 0, 'f', 1)
                                 : QString());
}

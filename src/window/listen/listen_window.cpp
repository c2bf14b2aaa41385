#include "window/listen/listen_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "convert/conversions.h"
#include "exchange/history_format.h"
#include "listen/listen_files.h"

namespace {

// "12", "0x0C" or "0Ch"; -1 for an empty box or a number out of range.
int ByteFilter(const QString& text) {
    QString t = text.trimmed();
    if (t.isEmpty()) return -1;
    bool ok = false;
    int value = -1;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = t.mid(2).toInt(&ok, 16);
    else if (t.endsWith(QLatin1Char('h'), Qt::CaseInsensitive))
        value = t.chopped(1).toInt(&ok, 16);
    else
        value = t.toInt(&ok);
    return ok && value >= 0 && value <= 255 ? value : -1;
}

QString Milliseconds(qint64 us) {
    return us < 0 ? QStringLiteral("—") : listen::MillisecondsText(us);
}

}  // namespace

ListenWindow::ListenWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("ListenWindow"));
    setWindowTitle(QStringLiteral("总线监听"));
    resize(900, 600);
    model = new ListenModel(this);
    filter = new ListenFilter(this);
    filter->setSourceModel(model);

    startButton = new QPushButton(this);
    autoBox = new QCheckBox(QStringLiteral("自动"), this);
    autoBox->setToolTip(
        tr("Find the baud rate and data format by listening at each in turn, "
           "then select them"));
    addressFilter = new QLineEdit(this);
    addressFilter->setPlaceholderText(tr("address"));
    functionFilter = new QLineEdit(this);
    functionFilter->setPlaceholderText(tr("function"));
    verdictFilter = new QComboBox(this);
    verdictFilter->addItem(tr("every verdict"), QString());
    for (int v = 0; v < exchange::kVerdictCount; ++v) {
        if (exchange::Verdict(v) == exchange::Verdict::Late) continue;  // no capture to miss
        const QString name = exchange::VerdictName(exchange::Verdict(v));
        verdictFilter->addItem(name, name);
    }
    listen::HeardFrame unpaired;
    unpaired.role = listen::FrameRole::UnpairedReply;
    verdictFilter->addItem(listen::HeardVerdictName(unpaired), listen::HeardVerdictName(unpaired));
    pauseBox = new QCheckBox(tr("Pause"), this);
    clearButton = new QPushButton(tr("Clear"), this);
    saveButton = new QPushButton(tr("Save…"), this);
    status = new QLabel(this);

    table = new QTableView(this);
    table->setModel(filter);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setWordWrap(false);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    const int widths[kListenColumns] = {100, 60, 50, 90, 320, 90, 80};
    for (int c = 0; c < kListenColumns; ++c) table->setColumnWidth(c, widths[c]);

    statisticsTable = new QTableWidget(0, 10, this);
    statisticsTable->setHorizontalHeaderLabels(
        {tr("address"), tr("requests"), tr("replies"),
         exchange::VerdictName(exchange::Verdict::NoReply),
         exchange::VerdictName(exchange::Verdict::CheckError),
         exchange::VerdictName(exchange::Verdict::Exception), tr("requests/s"), tr("fastest ms"),
         tr("median ms"), tr("slowest ms")});
    statisticsTable->verticalHeader()->hide();
    statisticsTable->horizontalHeader()->setDefaultSectionSize(82);
    statisticsTable->horizontalHeader()->setStretchLastSection(true);
    statisticsTable->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* bar = new QHBoxLayout;
    bar->addWidget(startButton);
    bar->addWidget(autoBox);
    bar->addWidget(addressFilter);
    bar->addWidget(functionFilter);
    bar->addWidget(verdictFilter);
    bar->addWidget(pauseBox);
    bar->addWidget(clearButton);
    bar->addWidget(saveButton);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(table);
    split->addWidget(statisticsTable);
    split->setStretchFactor(0, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(split, 1);
    layout->addWidget(status);

    connect(startButton, &QPushButton::clicked, this,
            [this] { listening_ ? emit stopRequested() : emit startRequested(); });
    connect(addressFilter, &QLineEdit::textChanged, this, &ListenWindow::refilter);
    connect(functionFilter, &QLineEdit::textChanged, this, &ListenWindow::refilter);
    connect(verdictFilter, &QComboBox::currentIndexChanged, this, &ListenWindow::refilter);
    connect(pauseBox, &QCheckBox::toggled, this, [this](bool paused) {
        if (!paused) model->append(std::exchange(paused_, {}));
        showStatus();
    });
    connect(clearButton, &QPushButton::clicked, this, [this] {
        paused_.clear();
        model->clear();
        statistics_.clear();
        statisticsChanged_ = true;
        showStatistics();
        showStatus();
    });
    connect(saveButton, &QPushButton::clicked, this, [this] {
        QString chosen;
        const QString path = QFileDialog::getSaveFileName(
            this, tr("Save the frames heard"), QStringLiteral("bus.csv"),
            tr("CSV (*.csv);;pcap for Wireshark (*.pcap)"), &chosen);
        if (path.isEmpty()) return;
        QString error;
        const bool pcap =
            path.endsWith(QLatin1String(".pcap")) || chosen.contains(QLatin1String("pcap"));
        note(saveAs(path, pcap, &error) ? tr("Saved to %1").arg(path) : error);
    });
    connect(table, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        QMessageBox::information(this, windowTitle(),
                                 frameDetails(filter->mapToSource(index).row()));
    });
    // Newest at the bottom, followed unless the user has scrolled up to read.
    connect(filter, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
        const QScrollBar* scroll = table->verticalScrollBar();
        followingEnd_ = scroll->value() >= scroll->maximum();
    });
    connect(filter, &QAbstractItemModel::rowsInserted, this, [this] {
        if (followingEnd_) table->scrollToBottom();
    });
    // The statistics are redrawn twice a second at most, however fast the bus.
    statisticsTimer_ = new QTimer(this);
    statisticsTimer_->setInterval(500);
    connect(statisticsTimer_, &QTimer::timeout, this, &ListenWindow::showStatistics);
    statisticsTimer_->start();
    setListening(false, QString());
}

void ListenWindow::setListening(bool listening, const QString& line) {
    listening_ = listening;
    line_ = line;
    startButton->setText(listening ? tr("Stop listening") : tr("Listen"));
    showStatus();
}

void ListenWindow::addFrames(std::vector<ListenRow> rows) {
    for (const ListenRow& row : rows) statistics_.add(row.frame);
    statisticsChanged_ = true;
    if (pauseBox->isChecked()) {
        for (ListenRow& row : rows) paused_.push_back(std::move(row));
        if (paused_.size() > std::size_t(kListenRows))
            paused_.erase(paused_.begin(), paused_.end() - kListenRows);
    } else {
        model->append(std::move(rows));
    }
    showStatus();
}

void ListenWindow::closeEvent(QCloseEvent* event) {
    if (listening_) emit stopRequested();
    QWidget::closeEvent(event);
}

void ListenWindow::note(const QString& text) {
    status->setText(text);
}

void ListenWindow::refilter() {
    filter->setFilter(ByteFilter(addressFilter->text()), ByteFilter(functionFilter->text()),
                      verdictFilter->currentData().toString());
}

void ListenWindow::showStatus() {
    QString text =
        listening_ ? tr("Listening on %1: nothing is sent").arg(line_) : tr("Not listening");
    text += tr("; %1 frames").arg(model->rowCount());
    if (model->dropped() > 0) text += tr(", the oldest %1 dropped").arg(model->dropped());
    if (pauseBox->isChecked()) text += tr("; paused, %1 waiting").arg(paused_.size());
    status->setText(text);
}

void ListenWindow::showStatistics() {
    if (!statisticsChanged_) return;
    statisticsChanged_ = false;
    const auto& per = statistics_.perAddress();
    statisticsTable->setRowCount(int(per.size()));
    int row = 0;
    for (const auto& [address, s] : per) {
        const QStringList cells{QString::number(address),
                                QString::number(s.requests),
                                QString::number(s.replies),
                                QString::number(s.unanswered),
                                QString::number(s.checkErrors),
                                QString::number(s.exceptions),
                                QString::number(s.requestsPerSecond(), 'f', 1),
                                Milliseconds(s.fastestUs),
                                Milliseconds(s.medianUs()),
                                Milliseconds(s.slowestUs)};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = statisticsTable->item(row, c);
            if (!item) statisticsTable->setItem(row, c, item = new QTableWidgetItem);
            item->setText(cells[c]);
        }
        ++row;
    }
}

QString ListenWindow::frameDetails(int sourceRow) const {
    const listen::HeardFrame& frame = model->rowAt(sourceRow).frame;
    QString text = QStringLiteral("%1 %2\n%3\n%4")
                       .arg(listen::RoleName(frame.role))
                       .arg(frame.number)
                       .arg(QString::fromLatin1(frame.frame.bytes.toHex(' ').toUpper()),
                            conv::CharsOf(frame.frame.bytes));
    if (!frame.meaning.isEmpty()) text += QLatin1Char('\n') + frame.meaning;
    text += QLatin1Char('\n') + listen::HeardVerdictName(frame);
    if (!frame.detail.isEmpty()) text += QStringLiteral(": ") + frame.detail;
    return text;
}

bool ListenWindow::saveAs(const QString& path, bool pcap, QString* error) const {
    // Written whole or not at all.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = tr("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    file.write(pcap ? listen::PcapFileHeader()
                    : exchange::Utf8ByteOrderMark() + listen::CsvHeader().toUtf8());
    for (int r = 0; r < model->rowCount(); ++r) {
        const ListenRow& row = model->rowAt(r);
        file.write(pcap ? listen::PcapRecord(row.frame.frame.bytes, row.epochUs)
                        : listen::CsvRow(row.frame, row.epochUs / 1000).toUtf8());
    }
    if (!file.commit()) {
        *error = tr("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

#include "window/scan/scan_window.h"
#include "window/common/file_places.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "exchange/history_file.h"
#include "serial/port_settings.h"
#include "window/common/verdict_style.h"

namespace {

enum Column { kAddress, kBaud, kFormat, kDelay, kVerdict, kSeen, kNote, kColumns };

QString Seconds(std::chrono::milliseconds time) {
    return QString::number(double(time.count()) / 1000.0, 'f', 1);
}

}  // namespace

ScanWindow::ScanWindow(jobs::JobRunner& runner, std::function<Context()> context, QWidget* parent)
    : QWidget(parent, Qt::Window), runner_(runner), context_(std::move(context)) {
    setObjectName(QStringLiteral("ScanWindow"));
    setWindowTitle(QStringLiteral("查找变频器"));
    resize(900, 520);
    auto* layout = new QVBoxLayout(this);

    auto* bauds = new QGroupBox(QStringLiteral("波特率"), this);
    auto* baudRow = new QHBoxLayout(bauds);
    for (int i = 0; i < serial::kBaudCount; ++i) {
        baudBoxes[std::size_t(i)] = new QCheckBox(QString::number(serial::BaudRateAt(i)), bauds);
        baudBoxes[std::size_t(i)]->setChecked(true);
        baudRow->addWidget(baudBoxes[std::size_t(i)]);
    }
    auto* formats = new QGroupBox(QStringLiteral("资料格式"), this);
    auto* formatRow = new QHBoxLayout(formats);
    for (int i = 0; i < serial::kFormatCount; ++i) {
        formatBoxes[std::size_t(i)] = new QCheckBox(serial::FormatName(i), formats);
        formatBoxes[std::size_t(i)]->setChecked(true);
        formatRow->addWidget(formatBoxes[std::size_t(i)]);
    }
    layout->addWidget(bauds);
    layout->addWidget(formats);

    auto* choices = new QGridLayout;
    const auto spin = [this](int lowest, int highest, int value) {
        auto* box = new QSpinBox(this);
        box->setRange(lowest, highest);
        box->setValue(value);
        return box;
    };
    firstAddress = spin(1, 247, 1);
    lastAddress = spin(1, 247, 247);
    budget = spin(int(jobs::kShortestBudget.count()), int(jobs::kLongestBudget.count()), 30);
    budget->setSuffix(QStringLiteral(" ms"));
    budget->setToolTip(tr("How long a probe waits for a drive to begin its answer"));
    stopAtFirst = new QRadioButton(QStringLiteral("找到一个即停"), this);
    findAll = new QRadioButton(QStringLiteral("全部查找"), this);
    stopAtFirst->setChecked(true);
    choices->addWidget(new QLabel(QStringLiteral("地址"), this), 0, 0);
    choices->addWidget(firstAddress, 0, 1);
    choices->addWidget(new QLabel(QStringLiteral("—"), this), 0, 2);
    choices->addWidget(lastAddress, 0, 3);
    choices->addWidget(new QLabel(QStringLiteral("等待回应"), this), 0, 4);
    choices->addWidget(budget, 0, 5);
    choices->addWidget(stopAtFirst, 0, 6);
    choices->addWidget(findAll, 0, 7);
    startButton = new QPushButton(QStringLiteral("开始"), this);
    saveButton = new QPushButton(QStringLiteral("保存…"), this);
    saveButton->setEnabled(false);
    watchAllButton = new QPushButton(QStringLiteral("监视全部"), this);
    watchAllButton->setToolTip(tr("Poll the trend's readings of every drive found"));
    backupAllButton = new QPushButton(QStringLiteral("备份全部"), this);
    backupAllButton->setToolTip(
        tr("Read the parameters of every drive found into a folder, a file per drive"));
    choices->addWidget(startButton, 0, 8);
    choices->addWidget(saveButton, 0, 9);
    choices->addWidget(watchAllButton, 0, 10);
    choices->addWidget(backupAllButton, 0, 11);
    layout->addLayout(choices);

    progress = new QProgressBar(this);
    status = new QLabel(this);
    status->setWordWrap(true);
    layout->addWidget(progress);
    layout->addWidget(status);

    results = new QTableWidget(0, kColumns, this);
    results->setHorizontalHeaderLabels({QStringLiteral("地址"), QStringLiteral("波特率"),
                                        QStringLiteral("格式"), QStringLiteral("首字节 ms"),
                                        QStringLiteral("判定"), QStringLiteral("所见"),
                                        QStringLiteral("说明")});
    results->horizontalHeader()->setStretchLastSection(true);
    results->setEditTriggers(QAbstractItemView::NoEditTriggers);
    results->setSelectionBehavior(QAbstractItemView::SelectRows);
    results->verticalHeader()->hide();
    layout->addWidget(results, 1);

    // While a backup of the drives found runs, the button stops it as it stops a scan.
    connect(startButton, &QPushButton::clicked, this,
            [this] { scanning_ || backup_ ? stop() : start(); });
    connect(saveButton, &QPushButton::clicked, this, &ScanWindow::askAndSave);
    connect(results, &QTableWidget::cellDoubleClicked, this, [this](int row) {
        if (row < 0 || row >= int(rows_.size())) return;
        const jobs::ScanRow& found = rows_[std::size_t(row)];
        if (found.outcome != jobs::ProbeOutcome::Found) return;
        emit applyRequested(found.baudIndex, found.formatIndex, found.address);
    });
    connect(&runner_, &jobs::JobRunner::progress, this, &ScanWindow::showProgress);
    connect(&runner_, &jobs::JobRunner::pausedChanged, this,
            [this](bool paused, const QString& reason) {
                if (backup_ && paused) refuse(tr("Paused, the port failed: %1").arg(reason));
                if (!scanning_) return;
                pauseReason_ = paused ? reason : QString();
                showProgress();
            });
    connect(&runner_, &jobs::JobRunner::finished, this, &ScanWindow::onFinished);
    connect(&runner_, &jobs::JobRunner::finished, this, &ScanWindow::onBackupFinished);
    connect(&runner_, &jobs::JobRunner::progress, this, [this](int done, int expected) {
        if (!backup_) return;
        progress->setRange(0, std::max(expected, 1));
        progress->setValue(done);
    });
    connect(watchAllButton, &QPushButton::clicked, this, [this] {
        int baud = 0, format = 0;
        QString elsewhere;
        const std::vector<int> drives = foundDrives(&baud, &format, &elsewhere);
        if (drives.empty()) return;
        emit watchAllRequested(baud, format, drives);
        status->setText(elsewhere);
    });
    connect(backupAllButton, &QPushButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(
            this, tr("The folder for the drives' parameter sets"), SuggestedPath(QString()));
        if (!folder.isEmpty()) backupAll(folder);
    });
    showFoundButtons();
}

// The main window ends a scan still running before this window goes.
ScanWindow::~ScanWindow() = default;

void ScanWindow::start() {
    if (runner_.running()) return;
    const Context context = context_();
    jobs::ScanOptions options;
    options.bauds.clear();
    options.formats.clear();
    for (int i = 0; i < serial::kBaudCount; ++i)
        if (baudBoxes[std::size_t(i)]->isChecked()) options.bauds.push_back(i);
    for (int i = 0; i < serial::kFormatCount; ++i)
        if (formatBoxes[std::size_t(i)]->isChecked()) options.formats.push_back(i);
    QString refusal = context.refusal;
    if (refusal.isEmpty() && (options.bauds.empty() || options.formats.empty()))
        refusal = tr("Choose at least one baud rate and one data format");
    if (refusal.isEmpty() && firstAddress->value() > lastAddress->value())
        refusal = tr("The first address is above the last");
    if (!refusal.isEmpty()) {
        status->setStyleSheet(QStringLiteral("color: red;"));
        status->setText(refusal);
        return;
    }
    options.firstAddress = firstAddress->value();
    options.lastAddress = lastAddress->value();
    options.preferredAddress = context.address;
    options.currentBaud = context.baudIndex;
    options.currentFormat = context.formatIndex;
    options.budget = std::chrono::milliseconds(budget->value());
    options.findAll = findAll->isChecked();
    scan_ = std::make_unique<jobs::DriveScan>(options);
    rows_.clear();
    pauseReason_.clear();
    results->setRowCount(0);
    if (!runner_.start(scan_.get())) {
        status->setStyleSheet(QStringLiteral("color: red;"));
        status->setText(tr("Another job holds the line; stop it first"));
        return;
    }
    scanning_ = true;
    startButton->setText(QStringLiteral("停止"));
    saveButton->setEnabled(false);
    showFoundButtons();
    showProgress();
}

void ScanWindow::stop() {
    runner_.stop();
}

void ScanWindow::showProgress() {
    if (!scanning_) return;
    const int done = scan_->stepsDone();
    const int expected = std::max(scan_->stepsExpected(), 1);
    progress->setRange(0, expected);
    progress->setValue(std::min(done, expected));
    const std::optional<std::chrono::milliseconds> left = runner_.timeLeft();
    QString text = tr("%1 of %2 probes, about %3 s left; now at %4 baud, %5")
                       .arg(done)
                       .arg(expected)
                       .arg(left ? Seconds(*left) : QStringLiteral("?"))
                       .arg(serial::BaudRateAt(scan_->currentBaud()))
                       .arg(serial::FormatName(scan_->currentFormat()));
    if (!pauseReason_.isEmpty())
        text =
            tr("Paused, the port failed: %1. The scan goes on when it is back.").arg(pauseReason_);
    status->setStyleSheet(pauseReason_.isEmpty() ? QString() : QStringLiteral("color: red;"));
    status->setText(text);
    if (scan_->rows().size() != rows_.size() || scan_->stepsDone() % 16 == 0) showRows();
}

void ScanWindow::showRows() {
    rows_ = scan_->rows();
    results->setRowCount(int(rows_.size()));
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        const jobs::ScanRow& row = rows_[r];
        const bool found = row.outcome == jobs::ProbeOutcome::Found;
        // A setting's row stands for all the addresses that saw the same there.
        const QString probes =
            row.probes > 1 ? tr("%1 probes").arg(row.probes) : QString::number(row.address);
        const QStringList cells{probes,
                                QString::number(serial::BaudRateAt(row.baudIndex)),
                                serial::FormatName(row.formatIndex),
                                row.firstByteMs < 0 ? QString() : QString::number(row.firstByteMs),
                                exchange::VerdictName(row.verdict),
                                row.seen,
                                jobs::OutcomeText(row.outcome)};
        for (int c = 0; c < kColumns; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setToolTip(cells[kNote]);
            if (const std::optional<QColor> shade = VerdictBackground(palette(), row.verdict))
                if (!found) item->setBackground(*shade);
            QFont font = item->font();
            font.setBold(found);
            item->setFont(font);
            results->setItem(int(r), c, item);
        }
    }
}

void ScanWindow::onFinished(bool stopped) {
    if (!std::exchange(scanning_, false)) return;  // another job's end
    showRows();
    startButton->setText(QStringLiteral("开始"));
    saveButton->setEnabled(!rows_.empty());
    showFoundButtons();
    if (!stopped) progress->setValue(progress->maximum());  // a stopped scan's bar stays put
    const int found = int(scan_->drives().size());
    const QString summary = tr("%1 probes in %2 s: %3 drive(s) found")
                                .arg(scan_->stepsDone())
                                .arg(Seconds(runner_.elapsed()))
                                .arg(found);
    status->setStyleSheet(QString());
    status->setText(stopped ? tr("Stopped. %1; the line settings are as they were.").arg(summary)
                    : found > 0 ? tr("%1. Double-click a drive found to use it.").arg(summary)
                                : tr("%1. No drive answered: see the notes beside each "
                                     "setting.")
                                      .arg(summary));
}

bool ScanWindow::save(const QString& path, QString* error) const {
    return exchange::SaveWhole(path, jobs::ScanCsv(rows_), error);
}

void ScanWindow::askAndSave() {
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Save the scan's results"), SuggestedPath(tr("scan.csv")), tr("CSV (*.csv)"));
    if (path.isEmpty()) return;
    RememberFolder(path);
    QString error;
    if (save(path, &error)) {
        status->setText(tr("Saved to %1").arg(path));
    } else {
        status->setStyleSheet(QStringLiteral("color: red;"));
        status->setText(exchange::SaveFailureText(path, error));
    }
}

#include "window/drives/drive_comparison_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "drive/entry_checks.h"
#include "window/common/file_places.h"

namespace {

QString ValueText(const std::optional<quint16>& value) {
    return value ? QString::number(*value) : QStringLiteral("—");
}

}  // namespace

DriveComparisonWindow::DriveComparisonWindow(jobs::JobRunner& runner,
                                             std::function<Context()> context, QWidget* parent)
    : QWidget(parent, Qt::Window), runner_(runner), context_(std::move(context)) {
    setObjectName(QStringLiteral("DriveComparisonWindow"));
    setWindowTitle(QStringLiteral("多台变频器参数"));
    resize(860, 600);
    confirm_ = [this](const QString& question) {
        return QMessageBox::question(this, QStringLiteral("多台变频器参数"), question) ==
               QMessageBox::Yes;
    };
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    addressesEdit = new QLineEdit(QStringLiteral("1-3"), this);
    addressesEdit->setToolTip(tr("The drives to compare: 1-12, or 1,3,5-7"));
    firstParameter = new QSpinBox(this);
    lastParameter = new QSpinBox(this);
    for (QSpinBox* box : {firstParameter, lastParameter})
        box->setRange(0, drive::kHighestParameterNumber);
    lastParameter->setValue(drive::kHighestParameterNumber);
    referenceBox = new QComboBox(this);
    referenceBox->addItem(tr("reference file"));
    referenceBox->addItem(tr("reference drive"));
    referenceDrive = new QSpinBox(this);
    referenceDrive->setRange(1, 247);
    openButton = new QPushButton(QStringLiteral("打开参考文件…"), this);
    compareButton = new QPushButton(QStringLiteral("读取比较"), this);
    writeButton = new QPushButton(QStringLiteral("写入差异"), this);
    writeButton->setToolTip(
        tr("Write the reference's values to every drive that differs, each "
           "read back; a drive that runs is left alone"));
    stopButton = new QPushButton(QStringLiteral("停止"), this);
    stopButton->setEnabled(false);
    row->addWidget(new QLabel(QStringLiteral("变频器"), this));
    row->addWidget(addressesEdit);
    row->addWidget(new QLabel(QStringLiteral("参数"), this));
    row->addWidget(firstParameter);
    row->addWidget(new QLabel(QStringLiteral("—"), this));
    row->addWidget(lastParameter);
    row->addWidget(referenceBox);
    row->addWidget(referenceDrive);
    for (QPushButton* button : {openButton, compareButton, writeButton, stopButton})
        row->addWidget(button);
    layout->addLayout(row);
    auto* options = new QHBoxLayout;
    filterBox = new QComboBox(this);
    filterBox->addItem(tr("all parameters"));
    filterBox->addItem(tr("= alike on every drive"));
    filterBox->addItem(tr("≠ differing on a drive"));
    counts = new QLabel(this);
    options->addWidget(filterBox);
    options->addWidget(counts, 1);
    layout->addLayout(options);
    progress = new QProgressBar(this);
    status = new QLabel(this);
    status->setWordWrap(true);
    layout->addWidget(progress);
    layout->addWidget(status);
    table = new QTableWidget(0, 2, this);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    layout->addWidget(table, 1);

    connect(openButton, &QPushButton::clicked, this, [this] {
        const QString path =
            QFileDialog::getOpenFileName(this, tr("Open the reference parameter set"),
                                         SuggestedPath(), QStringLiteral("CSV (*.csv)"));
        RememberFolder(path);
        QString error;
        if (!path.isEmpty() && loadReference(path, &error)) referenceBox->setCurrentIndex(0);
    });
    connect(compareButton, &QPushButton::clicked, this, &DriveComparisonWindow::compareDrives);
    connect(writeButton, &QPushButton::clicked, this, &DriveComparisonWindow::writeDifferences);
    connect(stopButton, &QPushButton::clicked, &runner_, &jobs::JobRunner::stop);
    connect(filterBox, &QComboBox::currentIndexChanged, this, &DriveComparisonWindow::showTable);
    connect(&runner_, &jobs::JobRunner::progress, this, [this](int done, int expected) {
        if (running_ == Running::None) return;
        progress->setRange(0, std::max(expected, 1));
        progress->setValue(done);
    });
    connect(&runner_, &jobs::JobRunner::pausedChanged, this,
            [this](bool paused, const QString& reason) {
                if (running_ != Running::None && paused)
                    refuse(tr("Paused, the port failed: %1").arg(reason));
            });
    connect(&runner_, &jobs::JobRunner::finished, this, &DriveComparisonWindow::onFinished);
    showTable();
}

DriveComparisonWindow::~DriveComparisonWindow() = default;

void DriveComparisonWindow::refuse(const QString& text) {
    status->setStyleSheet(QStringLiteral("color: red;"));
    status->setText(text);
}

void DriveComparisonWindow::showBusy(bool busy) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             openButton, compareButton, writeButton, addressesEdit, firstParameter, lastParameter,
             referenceBox, referenceDrive})
        control->setEnabled(!busy);
    stopButton->setEnabled(busy);
}

bool DriveComparisonWindow::start(jobs::Job* job, Running what) {
    if (!runner_.start(job)) {
        refuse(tr("Another job holds the line; stop it first"));
        return false;
    }
    running_ = what;
    showBusy(true);
    status->setStyleSheet(QString());
    return true;
}

// Closing ends a job still running; while it writes, only once the user agrees.
void DriveComparisonWindow::closeEvent(QCloseEvent* event) {
    if ((running_ == Running::Write || running_ == Running::Check) &&
        !confirm_(tr("Parameters are being written. Stop the writing and close?"))) {
        event->ignore();
        return;
    }
    if (running_ != Running::None) runner_.stop();
    toWrite_.clear();
    QWidget::closeEvent(event);
}

bool DriveComparisonWindow::loadReference(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = tr("Could not open %1: %2").arg(path, file.errorString());
        refuse(*error);
        return false;
    }
    QString reason;
    std::optional<drive::ParameterSet> set = drive::ReadParameterSet(file.readAll(), &reason);
    if (!set) {
        *error = tr("%1 was not loaded: %2").arg(path, reason);
        refuse(*error);
        return false;
    }
    fileReference_ = std::move(set);
    fileName_ = QFileInfo(path).fileName();
    status->setStyleSheet(QString());
    status->setText(tr("Opened %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

void DriveComparisonWindow::compareDrives() {
    QString error;
    const std::optional<std::vector<int>> addresses =
        drive::ParseAddressList(addressesEdit->text(), &error);
    if (!addresses) return refuse(error);
    const bool driveReference = referenceBox->currentIndex() == 1;
    if (!driveReference && !fileReference_) return refuse(tr("Open the reference file first"));
    jobContext_ = context_();
    if (!jobContext_.refusal.isEmpty()) return refuse(jobContext_.refusal);
    named_ = *addresses;
    referenceAddress_ = driveReference ? referenceDrive->value() : 0;
    first_ = firstParameter->value();
    last_ = lastParameter->value();
    std::vector<int> toRead = *addresses;
    if (driveReference) {
        toRead.erase(std::remove(toRead.begin(), toRead.end(), referenceAddress_), toRead.end());
        toRead.insert(toRead.begin(), referenceAddress_);
    }
    jobs::ParameterJobOptions options;
    options.framing = jobContext_.framing;
    read_ = std::make_unique<jobs::SeveralDrivesRead>(options, toRead, first_, last_);
    if (!start(read_.get(), Running::Read)) return;
    writeResults_.clear();
    status->setText(tr("Reading %1 drive(s)…").arg(toRead.size()));
}

void DriveComparisonWindow::onFinished(bool stopped) {
    const Running was = std::exchange(running_, Running::None);
    if (was == Running::None) return;
    showBusy(false);
    if (was == Running::Read) return afterRead(stopped);
    if (stopped) {
        if (was == Running::Write) afterWrite();
        toWrite_.clear();
        writeNotes_ << tr("stopped");
        return nextDriveToWrite();  // shows what was done
    }
    if (was == Running::Check) return afterCheck();
    afterWrite();
    nextDriveToWrite();
}

void DriveComparisonWindow::afterRead(bool stopped) {
    const bool driveReference = referenceAddress_ != 0;
    QStringList silent;
    drives_.clear();
    sets_.clear();
    reference_.reset();
    for (const jobs::SeveralDrivesRead::DriveResult& result : read_->results()) {
        if (!result.answered) {
            silent << QString::number(result.address);
            continue;
        }
        drive::ParameterSet set = result.set;
        set.line = jobContext_.line;
        set.date = QDateTime::currentDateTime().toString(Qt::ISODate);
        set.version = QCoreApplication::applicationVersion();
        if (driveReference && result.address == referenceAddress_) {
            reference_ = set;
            referenceName_ = QStringLiteral("变频器 %1").arg(result.address);
            // A reference drive that is one of the drives named has its column too.
            if (std::find(named_.begin(), named_.end(), result.address) == named_.end()) continue;
        }
        drives_.push_back(result.address);
        sets_.push_back(std::move(set));
    }
    if (!driveReference) {
        reference_ = fileReference_;
        referenceName_ = fileName_;
    }
    QString text;
    if (!reference_) {
        // No table is better than the last one under these drives' headers.
        rows_.clear();
        referenceName_.clear();
        refuse(tr("The reference drive %1 did not answer").arg(referenceAddress_));
    } else {
        compareSets();
        text = tr("%1 drive(s) compared with %2").arg(drives_.size()).arg(referenceName_);
        if (stopped) text = tr("Stopped. %1").arg(text);
        if (!silent.isEmpty())
            text += QStringLiteral("; ") +
                    tr("no answer from drive(s) %1").arg(silent.join(QStringLiteral(", ")));
        status->setStyleSheet(silent.isEmpty() ? QString() : QStringLiteral("color: red;"));
        status->setText(text);
    }
    showTable();
}

// Only the reference's parameters within the range are compared.
void DriveComparisonWindow::compareSets() {
    drive::ParameterSet reference = *reference_;
    for (auto entry = reference.entries.begin(); entry != reference.entries.end();)
        entry = entry->first >= first_ && entry->first <= last_ ? std::next(entry)
                                                                : reference.entries.erase(entry);
    std::vector<drive::ParameterSet> sets = sets_;
    for (drive::ParameterSet& set : sets)
        for (auto entry = set.entries.begin(); entry != set.entries.end();)
            entry =
                reference.entries.count(entry->first) ? std::next(entry) : set.entries.erase(entry);
    rows_ = drive::CompareSeveral(reference, sets);
}

void DriveComparisonWindow::showTable() {
    QStringList header{QStringLiteral("参数"),
                       referenceName_.isEmpty() ? tr("reference") : referenceName_};
    for (int address : drives_) header << QStringLiteral("变频器 %1").arg(address);
    table->clear();
    table->setColumnCount(int(header.size()));
    table->setHorizontalHeaderLabels(header);
    const Filter filter = Filter(filterBox->currentIndex());
    int differing = 0, shown = 0;
    table->setRowCount(int(rows_.size()));
    for (const drive::ComparedRow& row : rows_) {
        differing += row.differs();
        if ((filter == kEqual && row.differs()) || (filter == kDifferent && !row.differs()))
            continue;
        table->setItem(shown, 0, new QTableWidgetItem(QStringLiteral("P%1").arg(row.number)));
        table->setItem(shown, 1, new QTableWidgetItem(ValueText(row.reference)));
        for (std::size_t d = 0; d < row.values.size(); ++d) {
            auto* item = new QTableWidgetItem(ValueText(row.values[d]));
            if (row.states[d] != drive::Comparison::Equal) {
                item->setText(item->text() + QStringLiteral(" ≠"));
                item->setBackground(QColor(0xff, 0xd8, 0xd8));
                item->setForeground(Qt::black);
                item->setToolTip(drive::ComparisonName(row.states[d]));
            }
            table->setItem(shown, int(d) + 2, item);
        }
        ++shown;
    }
    table->setRowCount(shown);
    table->resizeColumnsToContents();
    counts->setText(
        rows_.empty()
            ? QString()
            : tr("%1 parameter(s), %2 differing on a drive").arg(rows_.size()).arg(differing));
}

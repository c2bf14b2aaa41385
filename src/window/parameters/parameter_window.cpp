#include "window/parameters/parameter_window.h"
#include "window/common/file_places.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <set>

#include "drive/entry_checks.h"
#include "exchange/history_file.h"

namespace {

enum Column { kNumber, kFirst, kSecond, kState, kColumns };

QString ValueText(const std::optional<quint16>& value) {
    return value ? QString::number(*value) : QString();
}

}  // namespace

ParameterWindow::ParameterWindow(jobs::JobRunner& runner, std::function<Context()> context,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window), runner_(runner), context_(std::move(context)) {
    setObjectName(QStringLiteral("ParameterWindow"));
    setWindowTitle(QStringLiteral("参数管理"));
    resize(760, 560);
    confirm_ = [this](const QString& question) {
        return QMessageBox::question(this, QStringLiteral("参数管理"), question) ==
               QMessageBox::Yes;
    };
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    const auto spin = [this](int value) {
        auto* box = new QSpinBox(this);
        box->setRange(0, drive::kHighestParameterNumber);
        box->setValue(value);
        return box;
    };
    firstParameter = spin(0);
    lastParameter = spin(drive::kHighestParameterNumber);
    const auto button = [this, row](const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        row->addWidget(b);
        return b;
    };
    row->addWidget(new QLabel(QStringLiteral("参数"), this));
    row->addWidget(firstParameter);
    row->addWidget(new QLabel(QStringLiteral("—"), this));
    row->addWidget(lastParameter);
    readButton = button("读取全部");
    openButton = button("打开…");
    openFirstButton = button("打开到变频器栏…");
    saveButton = button("保存…");
    compareButton = button("比较");
    writeButton = button("写入差异");
    cancelButton = button("停止");
    cancelButton->setEnabled(false);
    layout->addLayout(row);
    auto* options = new QHBoxLayout;
    differencesOnly = new QCheckBox(QStringLiteral("只看差异"), this);
    stopOnMismatch = new QCheckBox(QStringLiteral("不符即停"), this);
    stopOnMismatch->setChecked(true);
    stopOnMismatch->setToolTip(
        tr("A parameter that does not read back as written ends the writing"));
    counts = new QLabel(this);
    options->addWidget(differencesOnly);
    options->addWidget(stopOnMismatch);
    options->addWidget(counts, 1);
    layout->addLayout(options);
    progress = new QProgressBar(this);
    status = new QLabel(this);
    status->setWordWrap(true);
    layout->addWidget(progress);
    layout->addWidget(status);
    table = new QTableWidget(0, kColumns, this);
    table->setHorizontalHeaderLabels({QStringLiteral("参数"), QStringLiteral("变频器"),
                                      QStringLiteral("文件"), QStringLiteral("状态")});
    table->horizontalHeader()->setStretchLastSection(true);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    layout->addWidget(table, 1);

    connect(readButton, &QPushButton::clicked, this, &ParameterWindow::readAll);
    connect(openButton, &QPushButton::clicked, this, [this] { askAndOpen(false); });
    connect(openFirstButton, &QPushButton::clicked, this, [this] { askAndOpen(true); });
    connect(saveButton, &QPushButton::clicked, this, &ParameterWindow::askAndSave);
    // The drive is read afresh for a comparison; a file in the drive's column is compared as
    // it stands.
    connect(compareButton, &QPushButton::clicked, this, [this] {
        if (firstFromFile_) {
            showTable();
        } else {
            readAll();
        }
    });
    connect(writeButton, &QPushButton::clicked, this, [this] {
        std::vector<int> chosen;
        for (const QModelIndex& index : table->selectionModel()->selectedRows())
            chosen.push_back(table->item(index.row(), kNumber)->text().toInt());
        writeDifferences(chosen);
    });
    connect(cancelButton, &QPushButton::clicked, &runner_, &jobs::JobRunner::stop);
    connect(differencesOnly, &QCheckBox::toggled, this, &ParameterWindow::showTable);
    connect(&runner_, &jobs::JobRunner::progress, this, &ParameterWindow::showProgress);
    connect(&runner_, &jobs::JobRunner::pausedChanged, this,
            [this](bool paused, const QString& reason) {
                if (running_ != Running::None && paused)
                    refuse(tr("Paused, the port failed: %1").arg(reason));
            });
    connect(&runner_, &jobs::JobRunner::finished, this, &ParameterWindow::onFinished);
}

// The main window ends a job still running before this window goes.
ParameterWindow::~ParameterWindow() = default;

void ParameterWindow::refuse(const QString& text) {
    status->setStyleSheet(QStringLiteral("color: red;"));
    status->setText(text);
}

void ParameterWindow::start(jobs::Job* job, Running what) {
    if (!runner_.start(job)) {
        refuse(tr("Another job holds the line; stop it first"));
        return;
    }
    running_ = what;
    for (QPushButton* b :
         {readButton, openButton, openFirstButton, saveButton, compareButton, writeButton})
        b->setEnabled(false);
    cancelButton->setEnabled(true);
    status->setStyleSheet(QString());
}

void ParameterWindow::readAll() {
    jobContext_ = context_();
    if (!jobContext_.refusal.isEmpty()) return refuse(jobContext_.refusal);
    writeResults_.clear();
    read_ = std::make_unique<jobs::ParameterRead>(jobContext_.options, firstParameter->value(),
                                                  lastParameter->value());
    start(read_.get(), Running::Read);
    if (running_ != Running::Read) return;
    // A new read starts from an empty drive column and fills it as the values come.
    first_.reset();
    firstName_ = QStringLiteral("变频器");
    firstFromFile_ = false;
    showTable();
    lastTableFill_.start();
}

void ParameterWindow::closeEvent(QCloseEvent* event) {
    if (running_ == Running::Write &&
        !confirm_(tr("Parameters are being written. Stop the writing and close? A parameter "
                     "written but not yet read back is reported as such."))) {
        event->ignore();
        return;
    }
    if (running_ != Running::None) runner_.stop();
    QWidget::closeEvent(event);
}

void ParameterWindow::showProgress() {
    const jobs::Job* job = nullptr;
    if (running_ == Running::Read) job = read_.get();
    if (running_ == Running::Check) job = check_.get();
    if (running_ == Running::Write) job = write_.get();
    if (!job) return;
    progress->setRange(0, std::max(job->stepsExpected(), 1));
    progress->setValue(job->stepsDone());
    if (running_ == Running::Read && lastTableFill_.elapsed() >= 250) {
        first_ = read_->set();
        showTable();
        lastTableFill_.start();
    }
    const std::optional<std::chrono::milliseconds> left = runner_.timeLeft();
    status->setText(tr("%1 of %2, about %3 s left")
                        .arg(job->stepsDone())
                        .arg(job->stepsExpected())
                        .arg(left ? QString::number(double(left->count()) / 1000.0, 'f', 1)
                                  : QStringLiteral("?")));
}

void ParameterWindow::onFinished(bool stopped) {
    const Running was = std::exchange(running_, Running::None);
    if (was == Running::None) return;
    for (QPushButton* b :
         {readButton, openButton, openFirstButton, saveButton, compareButton, writeButton})
        b->setEnabled(true);
    cancelButton->setEnabled(false);
    status->setStyleSheet(QString());
    if (was == Running::Read) {
        drive::ParameterSet set = read_->set();
        set.line = jobContext_.line;
        set.date = QDateTime::currentDateTime().toString(Qt::ISODate);
        set.version = QCoreApplication::applicationVersion();
        first_ = set;
        firstName_ = QStringLiteral("变频器");
        firstFromFile_ = false;
        int unread = 0;
        for (const auto& entry : set.entries) unread += !entry.second.value;
        status->setText((stopped ? tr("Stopped: %1 parameters read, %2 without a value")
                                 : tr("%1 parameters read, %2 without a value"))
                            .arg(set.entries.size())
                            .arg(unread));
    } else if (was == Running::Check) {
        if (!stopped) afterCheck();
    } else if (was == Running::Write) {
        writeResults_ = write_->results();
        int good = 0;
        for (const jobs::WriteResult& result : writeResults_) {
            good += result.outcome == jobs::WriteOutcome::Written;
            if (first_ && result.readBack) first_->entries[result.number] = {result.readBack, {}};
        }
        const int failed = int(writeResults_.size()) - good;
        status->setText(tr("%1 written and read back as meant, %2 not; %3 left unwritten")
                            .arg(good)
                            .arg(failed)
                            .arg(int(pendingItems_.size()) - int(writeResults_.size())));
        if (failed > 0) status->setStyleSheet(QStringLiteral("color: red;"));
    }
    showTable();
}

bool ParameterWindow::openFile(const QString& path, bool intoFirst, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = tr("Could not open %1: %2").arg(path, file.errorString());
        refuse(*error);
        return false;
    }
    QString reason;
    const std::optional<drive::ParameterSet> set = drive::ReadParameterSet(file.readAll(), &reason);
    if (!set) {
        *error = tr("%1 was not loaded: %2").arg(path, reason);
        refuse(*error);
        return false;
    }
    writeResults_.clear();
    (intoFirst ? first_ : second_) = set;
    (intoFirst ? firstName_ : secondName_) = QFileInfo(path).fileName();
    if (intoFirst) firstFromFile_ = true;
    showTable();
    // What an earlier load said no longer holds.
    status->setStyleSheet(QString());
    status->setText(tr("Opened %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

bool ParameterWindow::saveFile(const QString& path, QString* error) {
    if (!first_) {
        *error = tr("Nothing to save: read the drive's parameters first");
        return false;
    }
    return exchange::SaveWhole(path, drive::ParameterSetCsv(*first_), error);
}

void ParameterWindow::writeDifferences(std::vector<int> numbers) {
    if (!second_) return refuse(tr("Open the file to write from first"));
    if (!first_ || firstFromFile_)
        return refuse(tr("Read the drive first: only what differs from the drive is written"));
    jobContext_ = context_();
    if (!jobContext_.refusal.isEmpty()) return refuse(jobContext_.refusal);
    // The differences were worked out against one drive; they go to no other.
    if (first_->address != jobContext_.options.address)
        return refuse(tr("The drive's column was read from address %1, and the inverter address "
                         "is now %2: read the drive again first")
                          .arg(first_->address)
                          .arg(jobContext_.options.address));
    writeResults_.clear();
    const std::set<int> chosen(numbers.begin(), numbers.end());
    pendingItems_.clear();
    QStringList ambiguous;
    for (const drive::ComparedParameter& row : compared_) {
        // By default a multiple of 256 is left out: it would arrive as another value.
        const bool wanted = chosen.empty() ? row.state == drive::Comparison::Different &&
                                                 row.second && !drive::WriteIsAmbiguous(*row.second)
                                           : chosen.count(row.number) && row.second &&
                                                 row.state != drive::Comparison::Equal;
        if (row.state == drive::Comparison::Different && row.second && chosen.empty() &&
            drive::WriteIsAmbiguous(*row.second))
            ambiguous << QStringLiteral("P%1 = %2").arg(row.number).arg(*row.second);
        if (!wanted || !row.second) continue;
        pendingItems_.push_back({row.number, *row.second});
        if (!chosen.empty() && drive::WriteIsAmbiguous(*row.second))
            ambiguous << QStringLiteral("P%1 = %2").arg(row.number).arg(*row.second);
    }
    if (pendingItems_.empty()) return refuse(tr("Nothing differs: nothing to write"));
    QString question = tr("Write %1 parameter(s) to the drive at address %2, each read back?")
                           .arg(pendingItems_.size())
                           .arg(jobContext_.options.address);
    if (!ambiguous.isEmpty())
        question +=
            QLatin1Char('\n') +
            (chosen.empty() ? tr("Left out: the protocol sends a multiple of 256 as the bytes of "
                                 "its high byte alone, so %1 would arrive as another value; choose "
                                 "such a row to try it anyway.")
                            : tr("The protocol sends a multiple of 256 as the bytes of its high "
                                 "byte alone: %1 may arrive as another value; the read-back will "
                                 "tell."))
                .arg(ambiguous.join(QStringLiteral(", ")));
    if (!confirm_(question)) return;
    check_ = std::make_unique<jobs::RunningCheck>(jobContext_.options);
    start(check_.get(), Running::Check);
}

// A drive that runs is written to only when the user says so again.
void ParameterWindow::afterCheck() {
    if (!check_->outputFrequency())
        return refuse(tr("Nothing written: the drive did not answer the output-frequency "
                         "reading (%1)")
                          .arg(check_->failure()));
    if (*check_->outputFrequency() != 0 &&
        !confirm_(tr("The drive is running (output frequency %1 Hz). Write anyway?")
                      .arg(*check_->outputFrequency() / 100.0, 0, 'f', 2)))
        return;
    // The output frequency does not tell a stop from a run at 0 Hz; what was sent does.
    if (*check_->outputFrequency() == 0 && jobContext_.startedSinceStop &&
        !confirm_(tr("The drive shows 0 Hz, but 启动 was sent to it after the last 停止: it may "
                     "be running at 0 Hz, and a running drive refuses some parameters. Write "
                     "anyway?")))
        return;
    write_ = std::make_unique<jobs::ParameterWrite>(jobContext_.options, pendingItems_,
                                                    stopOnMismatch->isChecked());
    start(write_.get(), Running::Write);
}

void ParameterWindow::showTable() {
    static const drive::ParameterSet empty;
    compared_ = drive::Compare(first_ ? *first_ : empty, second_ ? *second_ : empty);
    table->setHorizontalHeaderLabels(
        {QStringLiteral("参数"), first_ ? firstName_ : QStringLiteral("变频器"),
         second_ ? secondName_ : QStringLiteral("文件"), QStringLiteral("状态")});
    std::array<int, 5> tally{};
    int shown = 0;
    table->setRowCount(0);
    for (const drive::ComparedParameter& row : compared_) {
        ++tally[std::size_t(row.state)];
        const bool both = first_ && second_;
        if (differencesOnly->isChecked() && both && row.state == drive::Comparison::Equal) continue;
        QString state = both ? drive::ComparisonName(row.state) : QString();
        const auto written =
            std::find_if(writeResults_.begin(), writeResults_.end(),
                         [&row](const jobs::WriteResult& r) { return r.number == row.number; });
        if (written != writeResults_.end()) state = jobs::WriteResultText(*written);
        const auto entryVerdict = [&row](const std::optional<drive::ParameterSet>& set) {
            if (!set) return QString();
            const auto entry = set->entries.find(row.number);
            return entry == set->entries.end() || entry->second.value ? QString()
                                                                      : entry->second.verdict;
        };
        const QStringList cells{QString::number(row.number),
                                row.first ? ValueText(row.first) : entryVerdict(first_),
                                row.second ? ValueText(row.second) : entryVerdict(second_), state};
        table->insertRow(shown);
        for (int c = 0; c < kColumns; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (row.state != drive::Comparison::Equal && both)
                item->setBackground(QColor(0xFF, 0xE8, 0xB0));
            table->setItem(shown, c, item);
        }
        ++shown;
    }
    if (first_ && second_) {
        counts->setText(tr("%1 equal, %2 different, %3 only in %4, %5 only in %6, %7 unreadable")
                            .arg(tally[0])
                            .arg(tally[1])
                            .arg(tally[2])
                            .arg(firstName_)
                            .arg(tally[3])
                            .arg(secondName_)
                            .arg(tally[4]));
    } else {
        counts->setText(tr("%1 parameters").arg(compared_.size()));
    }
}

void ParameterWindow::askAndOpen(bool intoFirst) {
    const QString path = QFileDialog::getOpenFileName(this, tr("Open a parameter set"),
                                                      SuggestedPath(), tr("CSV (*.csv)"));
    if (path.isEmpty()) return;
    RememberFolder(path);
    QString error;
    openFile(path, intoFirst, &error);  // a failure shows in the status line
}

void ParameterWindow::askAndSave() {
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Save the parameter set"), SuggestedPath(tr("parameters.csv")), tr("CSV (*.csv)"));
    if (path.isEmpty()) return;
    RememberFolder(path);
    QString error;
    if (saveFile(path, &error)) {
        status->setStyleSheet(QString());
        status->setText(tr("Saved to %1").arg(path));
    } else {
        refuse(exchange::SaveFailureText(path, error));
    }
}

#include "window/history/history_window.h"
#include "window/common/file_places.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "exchange/history_file.h"
#include "exchange/history_format.h"
#include "window/history/history_model.h"

HistoryWindow::HistoryWindow(const exchange::History& history, QWidget* parent)
    : QWidget(parent, Qt::Window), history_(history) {
    setObjectName(QStringLiteral("HistoryWindow"));
    setReplyTimeout(50);
    resize(980, 480);

    model = new HistoryModel(history, this);
    filter = new HistoryFilter(model, this);

    filterBox = new QLineEdit(this);
    filterBox->setObjectName(QStringLiteral("historyFilter"));
    filterBox->setPlaceholderText(tr("Find: hexadecimal (01 04), characters or a verdict"));
    filterBox->setClearButtonEnabled(true);
    problemsOnlyBox = new QCheckBox(tr("Problems only"), this);
    saveButton = new QPushButton(tr("Save…"), this);
    status = new QLabel(this);

    table = new QTableView(this);
    table->setModel(filter);
    table->setItemDelegate(new HistoryDelegate(table));
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setWordWrap(false);
    table->setAlternatingRowColors(false);
    // Every row is one line high, so the view never measures rows it does not show.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    const int widths[exchange::kHistoryColumns] = {100, 56, 70, 56, 260, 160, 70, 70, 70, 200};
    for (int c = 0; c < exchange::kHistoryColumns; ++c) table->setColumnWidth(c, widths[c]);

    auto* bar = new QHBoxLayout;
    bar->addWidget(filterBox, 1);
    bar->addWidget(problemsOnlyBox);
    bar->addWidget(saveButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(table, 1);
    layout->addWidget(status);

    const auto refilter = [this] {
        filter->setFilter(filterBox->text(), problemsOnlyBox->isChecked());
    };
    connect(filterBox, &QLineEdit::textChanged, this, refilter);
    connect(problemsOnlyBox, &QCheckBox::toggled, this, refilter);
    connect(saveButton, &QPushButton::clicked, this, [this] { askAndSave(false); });

    // Newest at the bottom, followed unless the user has scrolled up to read.
    connect(filter, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
        const QScrollBar* scroll = table->verticalScrollBar();
        followingEnd_ = scroll->value() >= scroll->maximum();
    });
    connect(filter, &QAbstractItemModel::rowsInserted, this, [this] {
        if (followingEnd_) table->scrollToBottom();
        showCount();
    });
    connect(filter, &QAbstractItemModel::rowsRemoved, this, &HistoryWindow::showCount);
    connect(filter, &QAbstractItemModel::modelReset, this, &HistoryWindow::showCount);

    auto* copy = new QAction(tr("Copy"), table);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this,
            [this] { QApplication::clipboard()->setText(selectedText()); });
    table->addAction(copy);
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table, &QWidget::customContextMenuRequested, this, [this, copy](const QPoint& at) {
        QMenu menu;
        menu.addAction(copy);
        menu.addAction(tr("Save the selected…"), this, [this] { askAndSave(true); });
        menu.addAction(tr("Save all…"), this, [this] { askAndSave(false); });
        menu.exec(table->viewport()->mapToGlobal(at));
    });
    showCount();
}

void HistoryWindow::setReplyTimeout(int milliseconds) {
    replyTimeoutMs_ = milliseconds;
    showTitle();
}

void HistoryWindow::setJudging(exchange::Judging judging) {
    judging_ = judging;
    showTitle();
}

void HistoryWindow::showTitle() {
    setWindowTitle(tr("Exchange history — reply timeout %1 ms — typed frames read as %2")
                       .arg(replyTimeoutMs_)
                       .arg(exchange::JudgingName(judging_)));
}

void HistoryWindow::showEvent(QShowEvent* event) {
    model->setLive(true);
    table->scrollToBottom();
    QWidget::showEvent(event);
}

void HistoryWindow::hideEvent(QHideEvent* event) {
    model->setLive(false);
    QWidget::hideEvent(event);
}

void HistoryWindow::showCount() {
    QString text = tr("%1 records").arg(history_.size());
    if (filter->rowCount() != model->rowCount()) text += tr(", %1 shown").arg(filter->rowCount());
    if (history_.droppedCount() > 0)
        text += tr("; the oldest %1 were dropped (at most %2 are kept)")
                    .arg(history_.droppedCount())
                    .arg(history_.capacity());
    status->setText(text);
}

std::vector<int> HistoryWindow::selectedSourceRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : table->selectionModel()->selectedRows())
        rows.push_back(filter->mapToSource(index).row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

QString HistoryWindow::selectedText() const {
    QStringList lines;
    for (int row : selectedSourceRows()) {
        QStringList fields;
        for (int c = 0; c < exchange::kHistoryColumns; ++c)
            fields << exchange::CellText(model->record(row), exchange::HistoryColumn(c), true);
        lines << fields.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n'));
}

bool HistoryWindow::save(const QString& path, exchange::HistoryFormat format, bool selectionOnly,
                         QString* error) {
    if (!selectionOnly) {
        return exchange::SaveHistory(
            path, format, qsizetype(history_.size()),
            [this](qsizetype i) -> const exchange::ExchangeRecord& {
                return history_.at(std::size_t(i));
            },
            error);
    }
    const std::vector<int> rows = selectedSourceRows();
    return exchange::SaveHistory(
        path, format, qsizetype(rows.size()),
        [this, &rows](qsizetype i) -> const exchange::ExchangeRecord& {
            return model->record(rows[std::size_t(i)]);
        },
        error);
}

void HistoryWindow::askAndSave(bool selectionOnly) {
    const QString csv = QStringLiteral("CSV (*.csv)");
    const QString text = tr("Text (*.txt)");
    QString chosen = csv;
    const QString suggested =
        tr("history-%1.csv")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    const QString path = QFileDialog::getSaveFileName(this, tr("Save the exchange history"),
                                                      SuggestedPath(suggested),
                                                      csv + QStringLiteral(";;") + text, &chosen);
    if (path.isEmpty()) return;
    RememberFolder(path);
    const auto format = chosen == text || path.endsWith(QLatin1String(".txt"))
                            ? exchange::HistoryFormat::Text
                            : exchange::HistoryFormat::Csv;
    QString error;
    if (save(path, format, selectionOnly, &error)) {
        status->setText(tr("Saved to %1").arg(QDir::toNativeSeparators(path)));
    } else {
        status->setText(exchange::SaveFailureText(path, error));
    }
}

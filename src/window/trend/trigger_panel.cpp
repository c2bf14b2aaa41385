#include "window/trend/trigger_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QUrl>

#include "drive/readings.h"

namespace {

enum Kind { kFaultKind, kLevelKind, kNoReplyKind };

}  // namespace

TriggerPanel::TriggerPanel(trip::TripCapture& capture, QWidget* parent)
    : QGroupBox(QStringLiteral("触发"), parent), capture_(capture) {
    setObjectName(QStringLiteral("triggerPanel"));
    kindBox = new QComboBox(this);
    kindBox->addItems({tr("Fault code turns non-zero"), tr("A reading crosses a level"),
                       tr("The drive stops answering")});
    readingBox = new QComboBox(this);
    for (int reading = 0; reading < drive::kReadings; ++reading)
        if (reading != drive::kFaultCodeReadingIndex)
            readingBox->addItem(QString::fromUtf8(drive::ReadingAt(reading).caption), reading);
    edgeBox = new QComboBox(this);
    edgeBox->addItems({tr("rising above"), tr("falling below"), tr("either way")});
    levelBox = new QDoubleSpinBox(this);
    levelBox->setRange(-32768, 32767);
    levelBox->setDecimals(2);
    hysteresisBox = new QDoubleSpinBox(this);
    hysteresisBox->setRange(0, 10000);
    hysteresisBox->setDecimals(2);
    hysteresisBox->setToolTip(
        tr("How far the reading must come back before the trigger "
           "arms again, so that noise at the level does not fire it "
           "again and again"));
    missedPollsBox = new QSpinBox(this);
    missedPollsBox->setRange(1, 1000);
    missedPollsBox->setValue(3);
    missedPollsBox->setSuffix(tr(" polls in a row"));
    beforeBox = new QSpinBox(this);
    beforeBox->setRange(1, 3600);
    beforeBox->setValue(30);
    beforeBox->setSuffix(tr(" s before"));
    afterBox = new QSpinBox(this);
    afterBox->setRange(1, 600);
    afterBox->setValue(10);
    afterBox->setSuffix(tr(" s after"));
    folderEdit = new QLineEdit(QDir::home().filePath(QStringLiteral("trip-snapshots")), this);
    folderEdit->setToolTip(tr("Each snapshot goes into a folder of its own in this one"));
    chooseFolderButton = new QToolButton(this);
    chooseFolderButton->setText(QStringLiteral("…"));
    rearmBox = new QCheckBox(tr("Arm again after each"), this);
    rearmBox->setChecked(true);
    armButton = new QPushButton(this);
    stateLabel = new QLabel(this);
    eventsList = new QListWidget(this);
    eventsList->setToolTip(tr("Double-click opens the snapshot's folder"));
    eventsList->setMaximumHeight(90);

    const QList<QWidget*> named{kindBox,       readingBox,         edgeBox,   levelBox,
                                hysteresisBox, missedPollsBox,     beforeBox, afterBox,
                                folderEdit,    chooseFolderButton, rearmBox,  armButton,
                                stateLabel,    eventsList};
    const char* names[] = {"triggerKindBox",
                           "triggerReadingBox",
                           "triggerEdgeBox",
                           "triggerLevelBox",
                           "triggerHysteresisBox",
                           "missedPollsBox",
                           "beforeSecondsBox",
                           "afterSecondsBox",
                           "snapshotFolderEdit",
                           "chooseSnapshotFolderButton",
                           "rearmBox",
                           "armButton",
                           "triggerStateLabel",
                           "triggerEventsList"};
    for (int i = 0; i < named.size(); ++i) named[i]->setObjectName(QLatin1String(names[i]));

    auto* grid = new QGridLayout(this);
    grid->addWidget(kindBox, 0, 0, 1, 2);
    grid->addWidget(readingBox, 0, 2);
    grid->addWidget(edgeBox, 0, 3);
    grid->addWidget(levelBox, 0, 4);
    grid->addWidget(hysteresisBox, 0, 5);
    grid->addWidget(missedPollsBox, 0, 6);
    grid->addWidget(beforeBox, 1, 0);
    grid->addWidget(afterBox, 1, 1);
    grid->addWidget(folderEdit, 1, 2, 1, 3);
    grid->addWidget(chooseFolderButton, 1, 5);
    grid->addWidget(rearmBox, 1, 6);
    grid->addWidget(armButton, 2, 0);
    grid->addWidget(stateLabel, 2, 1);
    grid->addWidget(eventsList, 2, 2, 1, 5);

    connect(kindBox, &QComboBox::currentIndexChanged, this, &TriggerPanel::showKind);
    connect(chooseFolderButton, &QToolButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(
            this, tr("Folder for the snapshots"), folderEdit->text());
        if (!folder.isEmpty()) folderEdit->setText(QDir::toNativeSeparators(folder));
    });
    connect(armButton, &QPushButton::clicked, this, [this] {
        if (capture_.state() == trip::TripCapture::State::Armed ||
            capture_.state() == trip::TripCapture::State::Triggered) {
            emit disarmRequested();
            return;
        }
        trip::CaptureSettings settings;
        settings.trigger = trigger();
        settings.beforeMs = beforeBox->value() * 1000LL;
        settings.afterMs = afterBox->value() * 1000LL;
        settings.directory = QDir::fromNativeSeparators(folderEdit->text().trimmed());
        settings.rearm = rearmBox->isChecked();
        emit armRequested(settings);
    });
    connect(eventsList, &QListWidget::itemDoubleClicked, this, [](QListWidgetItem* item) {
        const QString folder = item->data(Qt::UserRole).toString();
        if (!folder.isEmpty()) QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    });
    connect(&capture_, &trip::TripCapture::stateChanged, this, &TriggerPanel::showState);
    connect(&capture_, &trip::TripCapture::eventChanged, this, &TriggerPanel::showTripEvent);
    showKind();
    showState();
}

trip::Trigger TriggerPanel::trigger() const {
    trip::Trigger trigger = trip::FaultTrigger();
    switch (kindBox->currentIndex()) {
        case kLevelKind:
            trigger.kind = trip::TriggerKind::Level;
            trigger.reading = readingBox->currentData().toInt();
            trigger.edge = trip::Edge(edgeBox->currentIndex());
            trigger.level = levelBox->value();
            trigger.hysteresis = hysteresisBox->value();
            break;
        case kNoReplyKind:
            trigger.kind = trip::TriggerKind::NoReply;
            trigger.polls = missedPollsBox->value();
            break;
        default:
            break;
    }
    return trigger;
}

void TriggerPanel::showSettings(const trip::CaptureSettings& settings) {
    const trip::Trigger& trigger = settings.trigger;
    const bool fault = trigger.kind == trip::TriggerKind::Equality &&
                       trigger.reading == drive::kFaultCodeReadingIndex && trigger.unequal &&
                       trigger.level == 0;
    kindBox->setCurrentIndex(trigger.kind == trip::TriggerKind::NoReply ? kNoReplyKind
                             : fault                                    ? kFaultKind
                                                                        : kLevelKind);
    readingBox->setCurrentIndex(std::max(0, readingBox->findData(trigger.reading)));
    edgeBox->setCurrentIndex(int(trigger.edge));
    levelBox->setValue(trigger.level);
    hysteresisBox->setValue(trigger.hysteresis);
    missedPollsBox->setValue(trigger.polls);
    beforeBox->setValue(int(settings.beforeMs / 1000));
    afterBox->setValue(int(settings.afterMs / 1000));
    folderEdit->setText(QDir::toNativeSeparators(settings.directory));
    rearmBox->setChecked(settings.rearm);
}

void TriggerPanel::showKind() {
    const int kind = kindBox->currentIndex();
    for (QWidget* control : {static_cast<QWidget*>(readingBox), static_cast<QWidget*>(edgeBox),
                             static_cast<QWidget*>(levelBox), static_cast<QWidget*>(hysteresisBox)})
        control->setVisible(kind == kLevelKind);
    missedPollsBox->setVisible(kind == kNoReplyKind);
}

void TriggerPanel::showState() {
    using State = trip::TripCapture::State;
    const State state = capture_.state();
    const bool on = state == State::Armed || state == State::Triggered;
    armButton->setText(on ? tr("Disarm") : tr("Arm"));
    switch (state) {
        case State::Off:
            stateLabel->setText(tr("not armed"));
            break;
        case State::Armed:
            stateLabel->setText(tr("armed"));
            break;
        case State::Triggered:
            stateLabel->setText(tr("triggered: keeping the seconds after"));
            break;
        case State::Saved:
            stateLabel->setText(tr("saved"));
            break;
    }
    for (QWidget* control : findChildren<QWidget*>())
        if (control != armButton && control != stateLabel && control != eventsList)
            control->setEnabled(!on);
}

void TriggerPanel::showTripEvent(int index, bool added) {
    const trip::TripEvent& event = capture_.events()[std::size_t(index)];
    QString text = QDateTime::fromMSecsSinceEpoch(event.timeMs)
                       .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz  ")) +
                   event.text;
    if (!event.folder.isEmpty())
        text += QStringLiteral("  → ") + QDir::toNativeSeparators(event.folder);
    if (!event.error.isEmpty()) text += QStringLiteral("  ") + tr("not saved: %1").arg(event.error);
    // The list shows the newest events first; an event's row is found by its time and text.
    QListWidgetItem* item = nullptr;
    if (!added)
        for (int row = 0; row < eventsList->count() && !item; ++row)
            if (eventsList->item(row)->data(Qt::UserRole + 1).toLongLong() == event.timeMs)
                item = eventsList->item(row);
    if (!item) {
        item = new QListWidgetItem;
        eventsList->insertItem(0, item);
        while (eventsList->count() > int(trip::TripCapture::kEventsKept))
            delete eventsList->takeItem(eventsList->count() - 1);
    }
    item->setText(text);
    item->setData(Qt::UserRole, event.folder);
    item->setData(Qt::UserRole + 1, event.timeMs);
}

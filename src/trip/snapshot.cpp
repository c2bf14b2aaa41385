#include "trip/snapshot.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <algorithm>

#include "drive/readings.h"
#include "drive/reply_decoder.h"
#include "exchange/history_file.h"

namespace trip {
namespace {

const QString kPartialPrefix = QStringLiteral(".partial-");

QString ClockText(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

QString ValueText(const exchange::Sample& sample) {
    if (sample.reading == drive::kFaultCodeReadingIndex)
        return QStringLiteral("%1 (%2)").arg(sample.raw).arg(drive::FaultText(sample.raw));
    // As the reading's result box shows it.
    return drive::MonitorText(sample.raw, drive::MonitorItems()[sample.reading]);
}

// The last good sample of a channel at or before `timeMs`.
const exchange::Sample* LastGood(const SnapshotSpan& span, const exchange::Channel& channel,
                                 qint64 timeMs, bool atMoment) {
    const exchange::Sample* found = nullptr;
    for (const exchange::Sample& sample : span.samples) {
        if (sample.timeMs > timeMs || (!atMoment && sample.timeMs == timeMs)) break;
        if (sample.good() && sample.address == channel.address && sample.reading == channel.reading)
            found = &sample;
    }
    return found;
}

}  // namespace

SnapshotSpan CollectSpan(const exchange::SampleStore& store, qint64 fromMs, qint64 momentMs,
                         qint64 toMs) {
    SnapshotSpan span{fromMs, momentMs, toMs, {}, {}};
    for (std::size_t i = store.firstAtOrAfter(fromMs); i < store.size(); ++i) {
        const exchange::Sample& sample = store.at(i);
        if (sample.timeMs > toMs) break;
        span.samples.push_back(sample);
        const exchange::Channel channel{sample.address, sample.reading};
        if (std::find(span.channels.begin(), span.channels.end(), channel) == span.channels.end())
            span.channels.push_back(channel);
    }
    return span;
}

QByteArray SpanCsv(const SnapshotSpan& span) {
    QByteArray csv = exchange::SampleCsvHeader().toUtf8();
    for (const exchange::Sample& sample : span.samples)
        csv += exchange::SampleCsvRow(sample).toUtf8();
    return csv;
}

QString SummaryText(const SnapshotSpan& span, const SnapshotInfo& info) {
    QStringList lines;
    lines << QCoreApplication::translate("Snapshot", "Time: %1").arg(ClockText(span.momentMs));
    lines << QCoreApplication::translate("Snapshot", "Trigger: %1").arg(info.trigger);
    const exchange::Channel fault{info.address, drive::kFaultCodeReadingIndex};
    const exchange::Sample* atMoment = LastGood(span, fault, span.momentMs, true);
    const exchange::Sample* atEnd = LastGood(span, fault, span.toMs, true);
    if (!atMoment && !atEnd) {
        lines << QCoreApplication::translate("Snapshot",
                                             "Fault code of drive %1: not polled or not answered")
                     .arg(info.address);
    } else {
        lines << QCoreApplication::translate("Snapshot", "Fault code of drive %1: %2")
                     .arg(info.address)
                     .arg(atMoment ? ValueText(*atMoment)
                                   : QCoreApplication::translate("Snapshot", "no answer"));
        if (atEnd && (!atMoment || atEnd->raw != atMoment->raw))
            lines << QCoreApplication::translate("Snapshot",
                                                 "Fault code at the end of the snapshot: %1")
                         .arg(ValueText(*atEnd));
    }
    // The trigger's reading last seen before the moment: the trip came after it.
    qint64 quietMs = span.momentMs;
    bool atQuiet = false;
    for (const exchange::Sample& sample : span.samples) {
        if (sample.timeMs >= span.momentMs) break;
        if (sample.address == info.address && sample.reading == info.reading) {
            quietMs = sample.timeMs;
            atQuiet = true;
        }
    }
    lines << (atQuiet
                  ? QCoreApplication::translate(
                        "Snapshot",
                        "Last good value before the trip (up to %1, when the "
                        "trigger's reading was last seen without it):")
                        .arg(ClockText(quietMs).section(QLatin1Char(' '), 1))
                  : QCoreApplication::translate("Snapshot", "Last good value before the moment:"));
    for (const exchange::Channel& channel : span.channels) {
        const exchange::Sample* last = LastGood(span, channel, quietMs, atQuiet);
        const QString caption = QString::fromUtf8(drive::ReadingAt(channel.reading).caption);
        lines << (last ? QCoreApplication::translate("Snapshot", "  drive %1 %2: %3 at %4")
                             .arg(channel.address)
                             .arg(caption, ValueText(*last),
                                  ClockText(last->timeMs).section(QLatin1Char(' '), 1))
                       : QCoreApplication::translate("Snapshot", "  drive %1 %2: none")
                             .arg(channel.address)
                             .arg(caption));
    }
    const qint64 first = span.samples.empty() ? span.momentMs : span.samples.front().timeMs;
    const double before = double(span.momentMs - std::max(first, span.fromMs)) / 1000.0;
    lines << QCoreApplication::translate(
                 "Snapshot", "Span: %1 s before (of %2 s asked), %3 s after; %4 samples")
                 .arg(before, 0, 'f', 1)
                 .arg(double(span.momentMs - span.fromMs) / 1000.0, 0, 'f', 1)
                 .arg(double(span.toMs - span.momentMs) / 1000.0, 0, 'f', 1)
                 .arg(span.samples.size());
    lines << QCoreApplication::translate("Snapshot", "Line: %1").arg(info.line);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString SnapshotFolderName(qint64 momentMs) {
    return QDateTime::fromMSecsSinceEpoch(momentMs).toString(
        QStringLiteral("yyyy-MM-dd_HH-mm-ss.zzz"));
}

QString WriteSnapshot(const QString& directory, const QString& name, const SnapshotFiles& files,
                      QString* error) {
    QDir root(directory);
    if (!root.mkpath(QStringLiteral("."))) {
        *error = QCoreApplication::translate("Snapshot", "cannot make the folder %1")
                     .arg(QDir::toNativeSeparators(directory));
        return QString();
    }
    const QString partial = root.filePath(kPartialPrefix + name);
    QDir(partial).removeRecursively();
    if (!root.mkpath(partial)) {
        *error = QCoreApplication::translate("Snapshot", "cannot make the folder %1")
                     .arg(QDir::toNativeSeparators(partial));
        return QString();
    }
    for (const auto& [file, bytes] : files) {
        QSaveFile out(QDir(partial).filePath(file));
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
            *error = exchange::WriteFailureReason(out.fileName(), out.error(), out.errorString());
            QDir(partial).removeRecursively();
            return QString();
        }
    }
    QString final = root.filePath(name);
    for (int n = 2; QFileInfo::exists(final); ++n)
        final = root.filePath(QStringLiteral("%1-%2").arg(name).arg(n));
    if (!root.rename(partial, final)) {
        *error = QCoreApplication::translate("Snapshot", "cannot rename %1 to %2")
                     .arg(QDir::toNativeSeparators(partial), QDir::toNativeSeparators(final));
        QDir(partial).removeRecursively();
        return QString();
    }
    return final;
}

void RemovePartialSnapshots(const QString& directory) {
    const QDir root(directory);
    for (const QString& left :
         root.entryList({kPartialPrefix + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden))
        QDir(root.filePath(left)).removeRecursively();
}

}  // namespace trip

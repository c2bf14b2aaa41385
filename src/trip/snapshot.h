// A snapshot of the moments around a trip: the samples from some seconds before to some seconds
// after, a summary, and the chart's picture, written into a folder of its own that is there
// whole or not at all.
#pragma once

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

#include "exchange/samples.h"

namespace trip {

struct SnapshotSpan {
    qint64 fromMs = 0;    // what was asked for; the samples may begin later
    qint64 momentMs = 0;  // the trigger fired
    qint64 toMs = 0;
    std::vector<exchange::Sample> samples;    // in time order, within [fromMs, toMs]
    std::vector<exchange::Channel> channels;  // every channel among them, in order
};

SnapshotSpan CollectSpan(const exchange::SampleStore& store, qint64 fromMs, qint64 momentMs,
                         qint64 toMs);

// What the summary says besides the samples.
struct SnapshotInfo {
    QString trigger;   // the expression and its description
    int address = 1;   // the drive the trigger watched
    int reading = -1;  // and its reading; -1 for none (no reply)
    QString line;      // port and settings
};

// The trend's sample CSV of the span.
QByteArray SpanCsv(const SnapshotSpan& span);
// Time, trigger, the drive's fault code at the moment and at the end, each reading's last good
// value before the trip, the span actually held, and the line. The trip came after the trigger's
// reading was last seen without it: the values before it are those up to that sample.
QString SummaryText(const SnapshotSpan& span, const SnapshotInfo& info);

// "2026-12-09_15-30-12.345", local time: sorts in time order and is a valid name on Windows.
QString SnapshotFolderName(qint64 momentMs);

using SnapshotFiles = std::vector<std::pair<QString, QByteArray>>;
// Writes the files into a hidden folder beside the snapshot's and renames it into place, so a
// snapshot folder is never half written; a name taken already gets "-2", "-3" ... Returns the
// folder's path, or empty with the reason.
QString WriteSnapshot(const QString& directory, const QString& name, const SnapshotFiles& files,
                      QString* error);
// Removes what a capture killed while writing left behind.
void RemovePartialSnapshots(const QString& directory);

}  // namespace trip

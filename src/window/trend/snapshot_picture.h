// The picture of a snapshot: the trend chart of its samples over its stretch of time, the
// moment marked, as PNG bytes.
#pragma once

#include <QByteArray>

#include "trip/snapshot.h"

QByteArray SnapshotPicture(const trip::SnapshotSpan& span);

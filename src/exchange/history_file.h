// The history on disk: saved whole in one go, or recorded row by row as it happens.
#pragma once

#include <QFile>
#include <QString>
#include <functional>

#include "exchange/exchange_record.h"

namespace exchange {

enum class HistoryFormat { Csv, Text };

// Writes `count` records through a QSaveFile, so a failed save leaves the old file (or none)
// and never half a file. Returns false with the reason in `error`.
bool SaveHistory(const QString& path, HistoryFormat format, qsizetype count,
                 const std::function<const ExchangeRecord&(qsizetype)>& record, QString* error);

// `--record FILE`: every record appended to FILE as a CSV row the moment it is made, written
// through to the disk, so a crash or a power cut loses at most the row being written. A new or
// empty file starts with the byte order mark and the header row.
class RecordFile {
  public:
    bool open(const QString& path, QString* error);
    bool isOpen() const { return file_.isOpen(); }
    void write(const ExchangeRecord& record);

  private:
    void put(const QByteArray& bytes);
    QFile file_;
};

}  // namespace exchange

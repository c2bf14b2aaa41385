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

// Writes `bytes` to `path` through a QSaveFile: all of it or, failing that, nothing, with the
// reason in `error`.
bool SaveWhole(const QString& path, const QByteArray& bytes, QString* error);

// Whether `path` can be written now (its folder exists and takes a new file, an existing file
// may be replaced), tried without leaving anything behind; the reason in `error` when not. A
// job that ends in a save checks first, before it spends minutes on the line.
bool CanSave(const QString& path, QString* error);

// A CSV file that rows are appended to the moment they are made (`--record`,
// `--monitor-csv`), each written through to the disk, so a crash or a power cut loses at most
// the row being written. A new or empty file starts with `header`.
class AppendFile {
  public:
    bool open(const QString& path, const QByteArray& header, QString* error);
    bool isOpen() const { return file_.isOpen(); }
    void writeRow(const QString& row);

  private:
    void put(const QByteArray& bytes);
    QFile file_;
};

// The history's CSV header, as a new --record file starts.
QByteArray RecordHeader();

// Why writing `path` failed, in the user's language, from what the file system shows and, where
// it shows nothing, the error Qt reported (`qtError`, `qtText`).
QString WriteFailureReason(const QString& path, QFileDevice::FileError qtError,
                           const QString& qtText);
// Whether Windows takes the file name of `path` for a device (CON, PRN, AUX, NUL, COM1..COM9,
// LPT1..LPT9, with any extension: "COM1.csv" is the port, not a file).
bool IsWindowsDeviceName(const QString& path);
// "Could not save PATH: REASON" in the user's language.
QString SaveFailureText(const QString& path, const QString& reason);

}  // namespace exchange

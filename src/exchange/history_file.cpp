#include "exchange/history_file.h"

#include <QSaveFile>

#include "exchange/history_format.h"

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace exchange {

bool SaveHistory(const QString& path, HistoryFormat format, qsizetype count,
                 const std::function<const ExchangeRecord&(qsizetype)>& record, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    if (format == HistoryFormat::Csv) {
        file.write(Utf8ByteOrderMark());
        file.write(CsvHeader().toUtf8());
        for (qsizetype i = 0; i < count; ++i) file.write(CsvRow(record(i)).toUtf8());
    } else {
        for (qsizetype i = 0; i < count; ++i) file.write((TextLine(record(i)) + u'\n').toUtf8());
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

QByteArray RecordHeader() {
    return Utf8ByteOrderMark() + CsvHeader().toUtf8();
}

bool AppendFile::open(const QString& path, const QByteArray& header, QString* error) {
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = QStringLiteral("%1: %2").arg(path, file_.errorString());
        return false;
    }
    if (file_.size() == 0) put(header);
    return true;
}

void AppendFile::writeRow(const QString& row) {
    if (file_.isOpen()) put(row.toUtf8());
}

void AppendFile::put(const QByteArray& bytes) {
    file_.write(bytes);
    file_.flush();
#ifdef Q_OS_UNIX
    ::fdatasync(file_.handle());
#endif
}

}  // namespace exchange

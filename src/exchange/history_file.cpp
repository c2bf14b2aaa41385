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

bool RecordFile::open(const QString& path, QString* error) {
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = QStringLiteral("%1: %2").arg(path, file_.errorString());
        return false;
    }
    if (file_.size() == 0) put(Utf8ByteOrderMark() + CsvHeader().toUtf8());
    return true;
}

void RecordFile::write(const ExchangeRecord& record) {
    if (file_.isOpen()) put(CsvRow(record).toUtf8());
}

void RecordFile::put(const QByteArray& bytes) {
    file_.write(bytes);
    file_.flush();
#ifdef Q_OS_UNIX
    ::fdatasync(file_.handle());
#endif
}

}  // namespace exchange

#include "listen/listen_files.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QtEndian>

#include "convert/conversions.h"
#include "exchange/history_format.h"

namespace listen {
namespace {

QByteArray Little32(quint32 value) {
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

}  // namespace

QString MillisecondsText(qint64 us) {
    return us < 0 ? QString() : QString::number(double(us) / 1000.0, 'f', 1);
}

QString CsvHeader() {
    return exchange::CsvHeader();
}

QString CsvRow(const HeardFrame& frame, qint64 epochMs) {
    using exchange::HistoryColumn;
    QStringList fields(exchange::kHistoryColumns);
    const auto set = [&](HistoryColumn column, const QString& text) {
        fields[int(column)] = exchange::CsvField(text);
    };
    set(HistoryColumn::Time, QDateTime::fromMSecsSinceEpoch(epochMs).toString(
                                 QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")));
    set(HistoryColumn::Counter, QString::number(frame.number));
    set(HistoryColumn::Direction, RoleName(frame.role));
    set(HistoryColumn::ByteCount, QString::number(frame.frame.bytes.size()));
    set(HistoryColumn::Hex, QString::fromLatin1(frame.frame.bytes.toHex(' ').toUpper()));
    set(HistoryColumn::Characters, conv::CharsOf(frame.frame.bytes));
    set(HistoryColumn::Verdict, frame.role == FrameRole::UnpairedReply
                                    ? HeardVerdictName(frame)
                                    : exchange::VerdictFileWord(frame.verdict));
    if (frame.role == FrameRole::Reply && frame.responseUs >= 0) {
        set(HistoryColumn::FirstByteMs, MillisecondsText(frame.responseUs));
        set(HistoryColumn::LastByteMs,
            MillisecondsText(frame.responseUs + frame.frame.lastByteUs - frame.frame.firstByteUs));
    }
    QString note = frame.meaning;
    if (!frame.detail.isEmpty())
        note += (note.isEmpty() ? QString() : QStringLiteral("; ")) + frame.detail;
    set(HistoryColumn::Detail, note);
    return fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

QByteArray PcapFileHeader() {
    QByteArray header = Little32(0xA1B2C3D4);  // microsecond times, little-endian
    header.append(char(2)).append(char(0)).append(char(4)).append(char(0));  // version 2.4
    header.append(Little32(0));                                              // time zone
    header.append(Little32(0));                                              // accuracy
    header.append(Little32(65535));                                          // longest packet kept
    header.append(Little32(kPcapLinkTypeUser0));
    return header;
}

QByteArray PcapRecord(const QByteArray& bytes, qint64 epochUs) {
    QByteArray record = Little32(quint32(epochUs / 1000000));
    record.append(Little32(quint32(epochUs % 1000000)));
    record.append(Little32(quint32(bytes.size())));
    record.append(Little32(quint32(bytes.size())));
    record.append(bytes);
    return record;
}

bool ListenFile::open(const QString& path, Kind kind, QString* error) {
    kind_ = kind;
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QCoreApplication::translate("Listening", "cannot write %1: %2")
                     .arg(path, file_.errorString());
        return false;
    }
    file_.write(kind == Kind::Pcap ? PcapFileHeader()
                                   : exchange::Utf8ByteOrderMark() + CsvHeader().toUtf8());
    file_.flush();
    return true;
}

void ListenFile::write(const HeardFrame& frame, qint64 epochUs) {
    if (!file_.isOpen()) return;
    file_.write(kind_ == Kind::Pcap ? PcapRecord(frame.frame.bytes, epochUs)
                                    : CsvRow(frame, epochUs / 1000).toUtf8());
}

}  // namespace listen

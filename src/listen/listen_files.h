// Frames heard on a bus as files: CSV rows in the history's columns and language, and a pcap
// capture that Wireshark reads (one frame a packet, link type 147, USER0).
#pragma once

#include <QFile>
#include <QString>

#include "listen/bus_pairing.h"

namespace listen {

// The history's header row, and a frame in its columns: the role in the direction column, the
// response time and the frame's end after the request in the first- and last-byte columns, the
// meaning and what is wrong in the note. `epochMs` is the first byte's wall-clock time.
QString CsvHeader();
// A time in microseconds as milliseconds with one decimal ("12.3"); empty for none (below 0).
QString MillisecondsText(qint64 us);
QString CsvRow(const HeardFrame& frame, qint64 epochMs);

// libpcap's file header (microsecond times, link type USER0) and one packet record.
constexpr quint32 kPcapLinkTypeUser0 = 147;
QByteArray PcapFileHeader();
QByteArray PcapRecord(const QByteArray& bytes, qint64 epochUs);

// Writes frames to a file as they are heard; flush() hands them to the system (--listen does
// so five times a second), so a capture cut off by a crash holds all but the last moment's.
class ListenFile {
  public:
    enum class Kind { Csv, Pcap };
    bool open(const QString& path, Kind kind, QString* error);
    void write(const HeardFrame& frame, qint64 epochUs);
    void flush() {
        if (file_.isOpen()) file_.flush();
    }
    bool isOpen() const { return file_.isOpen(); }

  private:
    QFile file_;
    Kind kind_ = Kind::Csv;
};

}  // namespace listen

#include "exchange/exchange_text.h"

#include <QCoreApplication>

#include "convert/conversions.h"

namespace exchange {

QByteArray BytesToSend(const std::array<QString, kCells>& byteCells) {
    QByteArray bytes;
    for (int i = 0; i < kCells; ++i) {
        if (i > 0 && byteCells[i].isEmpty()) break;
        const qint64 value = conv::RoundToInt(conv::ReadHex(byteCells[i]), conv::IntWidth::Int32);
        bytes.append(static_cast<char>(static_cast<quint8>(value & 0xFF)));
    }
    return bytes;
}

QString LogLine(int counter, Direction direction, const QByteArray& frame) {
    const QString number = QStringLiteral("[") + conv::Picture(counter, QStringLiteral("0####")) +
                           QStringLiteral("] ");
    if (direction == Direction::NotSent)
        return number + QStringLiteral("未发送: ") +
               QCoreApplication::translate("ExchangeText", "the port is not open");
    const QString tag =
        direction == Direction::Sent ? QStringLiteral("TXD:  ( ") : QStringLiteral("RXD:  ( ");
    return number + tag + conv::CharsOf(frame) + QStringLiteral(" )");
}

QString ReceivedText(const QByteArray& bytes, const QString& problem) {
    if (bytes.isEmpty())
        return problem.isEmpty() ? QCoreApplication::translate("ExchangeText", "nothing arrived")
                                 : problem;
    const QString hex = QString::fromLatin1(bytes.toHex(' ').toUpper());
    if (problem.isEmpty())
        return QCoreApplication::translate("ExchangeText", "received %1").arg(hex);
    return QCoreApplication::translate("ExchangeText", "received %1: %2").arg(hex, problem);
}

QString ByteDescription(quint8 byte) {
    static const char* const kControlNames[33] = {
        "NUL 空字符", "SOH",     "STX 正文开始", "ETX 正文结束", "EOT",    "ENQ",     "ACK 确认",
        "BEL",        "BS 退格", "HT 制表",      "LF 换行",      "VT",     "FF 换页", "CR 回车",
        "SO",         "SI",      "DLE",          "DC1",          "DC2",    "DC3",     "DC4",
        "NAK 否认",   "SYN",     "ETB",          "CAN",          "EM",     "SUB",     "ESC 退出",
        "FS",         "GS",      "RS",           "US",           "SP 空格"};
    QString text = conv::HexByteText(byte) + QStringLiteral("  ") + QString::number(byte) +
                   QStringLiteral("  ");
    if (byte <= 0x20) return text + QString::fromUtf8(kControlNames[byte]);
    if (byte == 0x7F) return text + QStringLiteral("DEL 删除");
    if (byte < 0x7F) return text + QLatin1Char('\'') + QChar(byte) + QLatin1Char('\'');
    return text.trimmed();
}

int NextCounter(int counter) {
    return counter >= 32767 || counter < 0 ? 0 : counter + 1;
}

GridTexts ReceiveGridTexts(const QByteArray& received) {
    GridTexts grid;
    grid.shown = static_cast<int>(std::min<qsizetype>(received.size(), kCells));
    for (int i = 0; i < grid.shown; ++i) {
        const auto byte = static_cast<quint8>(received[i]);
        grid.hex[i] = conv::HexByteText(byte);
        grid.chars[i] = conv::CharOf(byte);
    }
    return grid;
}

}  // namespace exchange

#include "serial/port_settings.h"

#include <QStringList>
#include <algorithm>

namespace serial {
namespace {

const char* const kBaudParts[kBaudCount] = {"4800,", "9600,", "19200,", "38400,"};
const char* const kFormatParts[kFormatCount] = {"n,8,1", "o,8,1", "e,8,1",
                                                "n,8,1", "o,8,1", "e,8,1"};

const char* const kFormatCaptions[kFormatCount] = {"ASCII 8,N,1", "ASCII,8,O,1", "ASCII 8,E,1",
                                                   " RTU  8,N,1", " RTU  8,O,1", " RTU  8,E,1"};
const int kBaudRates[kBaudCount] = {4800, 9600, 19200, 38400};

}  // namespace

QString FormatCaption(int formatIndex) {
    if (formatIndex < 0 || formatIndex >= kFormatCount) return QString();
    return QLatin1String(kFormatCaptions[formatIndex]);
}

QString FormatName(int formatIndex) {
    return FormatCaption(formatIndex).simplified();
}

int BaudRateAt(int baudIndex) {
    return baudIndex >= 0 && baudIndex < kBaudCount ? kBaudRates[baudIndex] : 0;
}

bool IsAsciiFormat(int formatIndex) {
    return formatIndex >= 0 && formatIndex < 3;
}

QString SettingsText(int baudIndex, int formatIndex) {
    QString text;
    if (baudIndex >= 0 && baudIndex < kBaudCount) text += QLatin1String(kBaudParts[baudIndex]);
    if (formatIndex >= 0 && formatIndex < kFormatCount)
        text += QLatin1String(kFormatParts[formatIndex]);
    return text;
}

std::optional<PortSettings> ParseSettings(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) return std::nullopt;
    PortSettings settings;
    bool ok = false;
    settings.baudRate = parts[0].trimmed().toInt(&ok);
    if (!ok || settings.baudRate <= 0) return std::nullopt;
    const QString parity = parts[1].trimmed().toLower();
    if (parity == QLatin1String("n"))
        settings.parity = Parity::None;
    else if (parity == QLatin1String("e"))
        settings.parity = Parity::Even;
    else if (parity == QLatin1String("o"))
        settings.parity = Parity::Odd;
    else
        return std::nullopt;
    settings.dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || settings.dataBits < 5 || settings.dataBits > 8) return std::nullopt;
    settings.stopBits = parts[3].trimmed().toInt(&ok);
    if (!ok || (settings.stopBits != 1 && settings.stopBits != 2)) return std::nullopt;
    return settings;
}

int BitsPerCharacter(const PortSettings& settings) {
    return 1 + settings.dataBits + (settings.parity == Parity::None ? 0 : 1) + settings.stopBits;
}

std::chrono::microseconds CharacterTime(const PortSettings& settings) {
    return std::chrono::microseconds(1000000LL * BitsPerCharacter(settings) /
                                     std::max(1, settings.baudRate));
}

std::chrono::microseconds FrameGap(const PortSettings& settings) {
    if (settings.baudRate > 19200) return std::chrono::microseconds(1750);
    return CharacterTime(settings) * 7 / 2;
}

}  // namespace serial

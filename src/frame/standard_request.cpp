#include "frame/standard_request.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>

namespace frame {
namespace {

std::optional<int> Number(QString text, int lowest, int highest) {
    text = text.trimmed();
    bool ok = false;
    int value = 0;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = text.mid(2).toInt(&ok, 16);
    else if (text.endsWith(QLatin1Char('h'), Qt::CaseInsensitive))
        value = text.chopped(1).toInt(&ok, 16);
    else
        value = text.toInt(&ok, 10);
    if (!ok || value < lowest || value > highest) return std::nullopt;
    return value;
}

void AppendWord(QByteArray& body, int value) {
    // Modbus puts a 16-bit field high byte first.
    body.append(char((value >> 8) & 0xFF));
    body.append(char(value & 0xFF));
}

}  // namespace

std::optional<QByteArray> StandardRequestBody(const StandardRequestFields& fields, QString* error) {
    const std::optional<int> address = Number(fields.address, 0, 247);
    if (!address) {
        *error = QCoreApplication::translate("StandardRequest",
                                             "the slave address is a number from 0 to 247");
        return std::nullopt;
    }
    const std::optional<int> start = Number(fields.start, 0, 65535);
    if (!start) {
        *error = QCoreApplication::translate("StandardRequest",
                                             "the start address is a number from 0 to 65535");
        return std::nullopt;
    }
    QByteArray body;
    body.append(char(*address));
    body.append(char(fields.function));
    AppendWord(body, *start);
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    const QStringList values =
        fields.quantityOrValues.trimmed().split(separators, Qt::SkipEmptyParts);
    switch (fields.function) {
        case 0x01:
        case 0x02:
        case 0x03:
        case 0x04: {
            // The most one answer carries: 2000 coils or inputs, 125 registers.
            const int most = fields.function <= 0x02 ? 2000 : 125;
            const std::optional<int> quantity = Number(fields.quantityOrValues, 1, most);
            if (!quantity) {
                *error = QCoreApplication::translate("StandardRequest",
                                                     "the quantity is a number from 1 to %1")
                             .arg(most);
                return std::nullopt;
            }
            AppendWord(body, *quantity);
            return body;
        }
        case 0x05: {
            const QString state = fields.quantityOrValues.trimmed().toUpper();
            if (state == QLatin1String("1") || state == QLatin1String("ON") ||
                state == QLatin1String("FF00") || state == QLatin1String("0XFF00")) {
                AppendWord(body, 0xFF00);
            } else if (state == QLatin1String("0") || state == QLatin1String("OFF") ||
                       state == QLatin1String("0000") || state == QLatin1String("0X0000")) {
                AppendWord(body, 0x0000);
            } else {
                *error = QCoreApplication::translate(
                    "StandardRequest", "a coil is written 1 or 0 (ON/OFF, FF00/0000)");
                return std::nullopt;
            }
            return body;
        }
        case 0x06: {
            const std::optional<int> value = Number(fields.quantityOrValues, 0, 65535);
            if (!value) {
                *error = QCoreApplication::translate("StandardRequest",
                                                     "the value is a number from 0 to 65535");
                return std::nullopt;
            }
            AppendWord(body, *value);
            return body;
        }
        case 0x0F: {
            if (values.isEmpty() || values.size() > 1968) {
                *error = QCoreApplication::translate("StandardRequest",
                                                     "write 1 to 1968 coils, each 1 or 0");
                return std::nullopt;
            }
            QByteArray bits((values.size() + 7) / 8, '\0');
            for (int i = 0; i < values.size(); ++i) {
                const std::optional<int> bit = Number(values[i], 0, 1);
                if (!bit) {
                    *error = QCoreApplication::translate("StandardRequest",
                                                         "coil %1 is \"%2\", not 1 or 0")
                                 .arg(i + 1)
                                 .arg(values[i]);
                    return std::nullopt;
                }
                // The first coil is the lowest bit of the first byte.
                if (*bit) bits[i / 8] = char(quint8(bits[i / 8]) | (1 << (i % 8)));
            }
            AppendWord(body, int(values.size()));
            body.append(char(bits.size()));
            body.append(bits);
            return body;
        }
        case 0x10: {
            if (values.isEmpty() || values.size() > 123) {
                *error = QCoreApplication::translate("StandardRequest", "write 1 to 123 registers");
                return std::nullopt;
            }
            QByteArray words;
            for (int i = 0; i < values.size(); ++i) {
                const std::optional<int> value = Number(values[i], 0, 65535);
                if (!value) {
                    *error = QCoreApplication::translate(
                                 "StandardRequest",
                                 "register %1 is \"%2\", not a number from 0 to 65535")
                                 .arg(i + 1)
                                 .arg(values[i]);
                    return std::nullopt;
                }
                AppendWord(words, *value);
            }
            AppendWord(body, int(values.size()));
            body.append(char(words.size()));
            body.append(words);
            return body;
        }
        default:
            *error = QCoreApplication::translate("StandardRequest",
                                                 "the builder knows functions 01 to 06, 0F and 10");
            return std::nullopt;
    }
}

QString StandardFunctionName(int function) {
    static const char* const names[] = {
        QT_TRANSLATE_NOOP("StandardRequestDialog", "read coils"),
        QT_TRANSLATE_NOOP("StandardRequestDialog", "read discrete inputs"),
        QT_TRANSLATE_NOOP("StandardRequestDialog", "read holding registers"),
        QT_TRANSLATE_NOOP("StandardRequestDialog", "read input registers"),
        QT_TRANSLATE_NOOP("StandardRequestDialog", "write single coil"),
        QT_TRANSLATE_NOOP("StandardRequestDialog", "write single register"),
        QT_TRANSLATE_NOOP("StandardRequestDialog", "write multiple coils"),
        QT_TRANSLATE_NOOP("StandardRequestDialog", "write multiple registers"),
    };
    for (std::size_t i = 0; i < std::size(kStandardFunctions); ++i)
        if (kStandardFunctions[i] == function)
            return QCoreApplication::translate("StandardRequestDialog", names[i]);
    return QString();
}

}  // namespace frame

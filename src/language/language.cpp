#include "language/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace language {
namespace {

QString gCurrent = QStringLiteral("en");

}  // namespace

QString Chosen(const QString& choice) {
    if (choice == QLatin1String("en") || choice == QLatin1String("zh")) return choice;
    return QLocale::system().language() == QLocale::English ? QStringLiteral("en")
                                                            : QStringLiteral("zh");
}

bool Install(const QString& code) {
    // The catalogues live as long as the process: messages are translated until its end.
    static QTranslator* program = nullptr;
    static QTranslator* qt = nullptr;
    if (QCoreApplication::instance()) {
        if (program) QCoreApplication::removeTranslator(program);
        if (qt) QCoreApplication::removeTranslator(qt);
    }
    gCurrent = QStringLiteral("en");
    if (code != QLatin1String("zh")) return true;
    if (!program) {
        auto* loaded = new QTranslator;
        if (!loaded->load(QStringLiteral(":/i18n/modbus-debugger_zh_CN.qm"))) {
            delete loaded;
            return false;
        }
        program = loaded;
        qt = new QTranslator;
        if (!qt->load(QStringLiteral("qtbase_zh_CN"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            delete qt;
            qt = nullptr;
        }
    }
    if (qt) QCoreApplication::installTranslator(qt);
    // Without an application object nothing is translated: say so rather than pretend.
    if (!QCoreApplication::installTranslator(program)) return false;
    gCurrent = code;
    return true;
}

QString Current() {
    return gCurrent;
}

}  // namespace language

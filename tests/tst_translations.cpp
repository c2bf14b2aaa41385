// The Chinese catalogue against the sources: every message the program can show has its
// translation, with the same placeholders, and the compiled catalogue is the one that loads.
#include <QProcess>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QtTest>
#include <set>

#include "exchange/reply_judge.h"
#include "language/language.h"

namespace {

struct Message {
    QString context;
    QString source;
    QString translation;
    bool finished = true;
};

std::vector<Message> ReadCatalogue(const QString& path, QString* error) {
    std::vector<Message> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return messages;
    }
    QXmlStreamReader xml(&file);
    QString context;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            messages.push_back({context, {}, {}, true});
        } else if (xml.name() == QLatin1String("source") && !messages.empty()) {
            messages.back().source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation") && !messages.empty()) {
            const QStringView type = xml.attributes().value(QLatin1String("type"));
            messages.back().finished = type.isEmpty();
            messages.back().translation = xml.readElementText();
        }
    }
    if (xml.hasError()) *error = xml.errorString();
    return messages;
}

std::multiset<QString> Placeholders(const QString& text) {
    static const QRegularExpression argument(QStringLiteral("%[1-9]"));
    std::multiset<QString> found;
    for (auto it = argument.globalMatch(text); it.hasNext();) found.insert(it.next().captured());
    return found;
}

}  // namespace

class TestTranslations : public QObject {
    Q_OBJECT
  private slots:
    // lupdate over today's sources, merged into a copy of the shipped catalogue, leaves nothing
    // new and nothing unfinished: a tr() text without its Chinese fails here.
    void everyMessageIsTranslated() {
        QTemporaryDir scratch;
        const QString copy = scratch.filePath(QStringLiteral("check.ts"));
        QVERIFY(QFile::copy(QStringLiteral(TS_FILE), copy));
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        QProcess lupdate;
        lupdate.start(QStringLiteral(LUPDATE),
                      {"-silent", "-locations", "none", "-no-obsolete", SOURCE_DIR, "-ts", copy});
        QVERIFY(lupdate.waitForFinished(120000));
        QCOMPARE(lupdate.exitCode(), 0);
        QString error;
        const std::vector<Message> messages = ReadCatalogue(copy, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(messages.size() > 100);
        QStringList missing;
        for (const Message& m : messages)
            if (!m.finished || m.translation.isEmpty())
                missing << m.context + QStringLiteral(": ") + m.source;
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
    }

    // A translation that drops or repeats a %1 would show a raw placeholder or lose a value.
    void translationsKeepTheirPlaceholders() {
        QString error;
        const std::vector<Message> messages = ReadCatalogue(QStringLiteral(TS_FILE), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QStringList wrong;
        for (const Message& m : messages)
            if (Placeholders(m.source) != Placeholders(m.translation))
                wrong << m.source + QStringLiteral(" → ") + m.translation;
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
    }

    // The compiled catalogue is in the program; English is the source, so it needs none.
    void chineseLoadsAndEnglishIsTheSource() {
        QVERIFY(language::Install(QStringLiteral("zh")));
        QCOMPARE(language::Current(), QStringLiteral("zh"));
        QCOMPARE(exchange::VerdictFileWord(exchange::Verdict::Good), QStringLiteral("正常"));
        QVERIFY(language::Install(QStringLiteral("en")));
        QCOMPARE(exchange::VerdictFileWord(exchange::Verdict::Good), QStringLiteral("good"));
    }
};

QTEST_GUILESS_MAIN(TestTranslations)
#include "tst_translations.moc"

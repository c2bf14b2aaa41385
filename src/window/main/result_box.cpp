#include "window/main/result_box.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLineEdit>

namespace {

QString TimeOf(qint64 timeMs) {
    return QDateTime::fromMSecsSinceEpoch(timeMs).toString(QStringLiteral("HH:mm:ss.zzz"));
}

}  // namespace

void ResultBox::showValue(const QString& text, qint64 timeMs) {
    text_ = text;
    tooltip_.clear();
    hasValue_ = true;
    outdated_ = false;
    valueTimeMs_ = timeMs;
    waiting_ = false;
    changed_ = true;
}

void ResultBox::showVerdict(const QString& word, const QString& tooltip) {
    text_ = word;
    tooltip_ = tooltip;
    hasValue_ = false;
    outdated_ = false;
    waiting_ = false;
    changed_ = true;
}

void ResultBox::showOutdated(const QString& word, const QString& why) {
    if (!hasValue_) {
        showVerdict(word, why);
        return;
    }
    tooltip_ = QCoreApplication::translate("ResultBox", "value read at %1; since then: %2")
                   .arg(TimeOf(valueTimeMs_), why);
    outdated_ = true;
    waiting_ = false;
    changed_ = true;
}

void ResultBox::forget(const QString& why) {
    if (!hasValue_ && text_.isEmpty()) return;
    showVerdict(QString(), why);
}

void ResultBox::showWaiting() {
    waiting_ = true;
    const QString waiting = QCoreApplication::translate("ResultBox", "waiting for the reply");
    if (outdated_ && tooltip_.endsWith(waiting)) return;
    tooltip_ = hasValue_ ? QCoreApplication::translate("ResultBox", "value read at %1; %2")
                               .arg(TimeOf(valueTimeMs_), waiting)
                         : waiting;
    outdated_ = true;
    changed_ = true;
}

void ResultBox::apply() {
    if (!changed_ || !box_) return;
    changed_ = false;
    if (box_->text() != text_) box_->setText(text_);
    if (box_->toolTip() != tooltip_) box_->setToolTip(tooltip_);
    // Greyed and slanted: a value that may no longer hold must not look like a fresh one.
    QPalette palette = box_->palette();
    const QColor colour = outdated_ ? palette.color(QPalette::Disabled, QPalette::WindowText)
                                    : box_->parentWidget()->palette().color(QPalette::Text);
    if (palette.color(QPalette::Active, QPalette::Text) != colour) {
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
            palette.setColor(group, QPalette::Text, colour);
        box_->setPalette(palette);
    }
    if (box_->font().italic() != outdated_) {
        QFont font = box_->font();
        font.setItalic(outdated_);
        box_->setFont(font);
    }
}

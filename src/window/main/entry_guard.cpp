#include "window/main/entry_guard.h"

#include <QLineEdit>

EntryGuard::EntryGuard(QLineEdit* box, std::function<bool(const QString&)> accepts, QString range,
                       QString refused)
    : QObject(box),
      box_(box),
      accepts_(std::move(accepts)),
      range_(std::move(range)),
      refused_(refused.isEmpty() ? tr("Not sent") : std::move(refused)) {
    // Once refused, the box says at every keystroke whether it would now be sent.
    connect(box_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (marked_) mark(!accepts_(text));
    });
}

bool EntryGuard::check() {
    const bool good = accepts_(box_->text());
    mark(!good);
    return good;
}

void EntryGuard::mark(bool refused) {
    if (refused == marked_) return;
    marked_ = refused;
    box_->setStyleSheet(refused ? QStringLiteral("QLineEdit { border: 2px solid #d00000; }")
                                : QString());
    box_->setToolTip(refused ? tr("%1: enter %2.").arg(refused_, range_) : QString());
}

// A result box of the quick-command column: the value of its reading's last good reply, the
// verdict of a reply that gave none, or a value that is older than the last exchange for it,
// greyed, with its time. Changes are kept and written to the box when the screen catches up.
#pragma once

#include <QString>
#include <QtGlobal>

class QLineEdit;

class ResultBox {
  public:
    explicit ResultBox(QLineEdit* box = nullptr) : box_(box) {}

    // A good reply's value, read at `timeMs` (milliseconds since the epoch).
    void showValue(const QString& text, qint64 timeMs);
    // A reply that gave no value: its verdict's word, with what came as the tooltip.
    void showVerdict(const QString& word, const QString& tooltip);
    // A later exchange for the reading brought no value: the value stays, greyed, with its time
    // and why in the tooltip. A box without a value shows `word` instead.
    void showOutdated(const QString& word, const QString& why);
    // A press's request waits for its reply: what the box shows is no longer the latest.
    void showWaiting();
    // The box's value no longer belongs where it stands (another drive is asked now): it goes,
    // with `why` as the tooltip.
    void forget(const QString& why);

    bool hasValue() const { return hasValue_; }
    bool outdated() const { return outdated_; }
    // A press waits for its reply, or what the box is to show has not been written yet.
    bool busy() const { return waiting_ || changed_; }

    // Writes what changed into the box.
    void apply();

  private:
    QLineEdit* box_;
    QString text_;
    QString tooltip_;
    bool hasValue_ = false;
    bool outdated_ = false;
    bool waiting_ = false;
    qint64 valueTimeMs_ = 0;
    bool changed_ = false;
};

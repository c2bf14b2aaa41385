// An entry box of a quick command that refuses what the drive could not be sent unchanged.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLineEdit;

class EntryGuard : public QObject {
    Q_OBJECT
  public:
    // `accepts` tells whether a text is a good entry; `range` says in words what is, and
    // `refused` what a refused entry means ("Not sent" when empty).
    EntryGuard(QLineEdit* box, std::function<bool(const QString&)> accepts, QString range,
               QString refused = QString());

    // Checks the box now. A refused entry gets a red frame and a tooltip naming the range, which
    // stay until the text is corrected.
    bool check();
    bool marked() const { return marked_; }

  private:
    void mark(bool refused);

    QLineEdit* box_;
    std::function<bool(const QString&)> accepts_;
    QString range_;
    QString refused_;
    bool marked_ = false;
};

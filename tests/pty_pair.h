// A pseudo-terminal for tests: the program opens the slave path as its serial device, the test
// plays the other end of the line on the master.
#pragma once

#include <QByteArray>
#include <QString>

class PtyPair {
  public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool isValid() const { return master_ >= 0; }
    QString slavePath() const { return slavePath_; }

    // Writes bytes to the line as the far end.
    bool write(const QByteArray& bytes);
    // Reads what the program sent until `count` bytes arrived or `timeoutMs` passed.
    QByteArray read(int count, int timeoutMs);
    // The far end goes away: the program's port sees the line fail.
    void closeMaster();

  private:
    int master_ = -1;
    int slaveKeeper_ = -1;
    QString slavePath_;
};

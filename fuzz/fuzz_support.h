// What every fuzz target shares: turning the fuzzer's bytes into box texts, and failing loudly.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A broken promise of the code under test must end the run as a crash: libFuzzer then keeps the
// input and prints the stack, where a quiet return would let the fault pass unnoticed.
#define FUZZ_REQUIRE(condition)                                                         \
    do {                                                                                \
        if (!(condition)) {                                                             \
            std::fprintf(stderr, "%s:%d: requirement failed: %s\n", __FILE__, __LINE__, \
                         #condition);                                                   \
            std::abort();                                                               \
        }                                                                               \
    } while (0)

namespace fuzz {

inline QByteArray Bytes(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// A box text as a user may type or paste it: any UTF-8, broken sequences included (they become
// replacement characters, as when pasting).
inline QString Text(const QByteArray& bytes) {
    return QString::fromUtf8(bytes);
}

// Several box texts out of one input. '|' separates them so that seed files stay readable and
// the fuzzer can move text from one box to another.
inline QStringList Fields(const QByteArray& bytes) {
    return Text(bytes).split(u'|');
}

}  // namespace fuzz

#include "cli/console.h"

#include <cstdlib>

#ifdef Q_OS_WIN
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#endif

#ifdef Q_OS_WIN
namespace {

// A windowed program has no console of its own. Started from one, it writes its help, the
// command-line jobs' lines and its errors there, unless they are redirected already.
void UseParentConsole() {
    const auto redirected = [](DWORD which) {
        const HANDLE handle = GetStdHandle(which);
        return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
               GetFileType(handle) != FILE_TYPE_UNKNOWN;
    };
    const bool out = redirected(STD_OUTPUT_HANDLE), err = redirected(STD_ERROR_HANDLE);
    if ((out && err) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (!out) std::freopen("CONOUT$", "w", stdout);
    if (!err) std::freopen("CONOUT$", "w", stderr);
}

}  // namespace
#endif

#ifdef Q_OS_WIN
namespace {
UINT gConsoleCodePage = 0;
}  // namespace
#endif

void PrepareConsole() {
#ifdef Q_OS_WIN
    UseParentConsole();
    // The console is the user's shell's too: its code page is put back when the program ends.
    gConsoleCodePage = GetConsoleOutputCP();
    if (gConsoleCodePage != 0 && gConsoleCodePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
        std::atexit([] { SetConsoleOutputCP(gConsoleCodePage); });
#endif
}

QStringList CommandLineArguments(int argc, char* argv[]) {
    QStringList arguments;
#ifdef Q_OS_WIN
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i) arguments << QString::fromWCharArray(wide[i]);
        LocalFree(wide);
        if (count == argc) return arguments;
        arguments.clear();
    }
#endif
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

void PrintLine(std::FILE* stream, const QString& text) {
#ifdef Q_OS_WIN
    const QByteArray bytes = text.toUtf8();
#else
    const QByteArray bytes = text.toLocal8Bit();
#endif
    std::fprintf(stream, "%s\n", bytes.constData());
    std::fflush(stream);
}

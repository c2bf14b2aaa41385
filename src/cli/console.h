// The command line's text in and out, the same on every system: arguments as the user typed
// them, lines printed in UTF-8 on Windows (whose console and code page would turn Chinese into
// question marks) and in the locale's encoding elsewhere.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdio>

// Once, before anything is printed: a windowed Windows program writes to the console it was
// started from, in UTF-8.
void PrepareConsole();
// The program's arguments, argv[0] first; on Windows read in UTF-16 from the system, so a
// file name in any script survives whatever the code page.
QStringList CommandLineArguments(int argc, char* argv[]);
// Prints `text` and a line break to `stream` at once.
void PrintLine(std::FILE* stream, const QString& text);

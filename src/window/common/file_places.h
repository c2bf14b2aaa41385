// Where the save and open dialogs start: the folder last chosen in this run, at first the user's
// Documents folder, never the program's own folder (on Windows a user may not write there, and
// the Start menu starts the program in it).
#pragma once

#include <QString>

// The file name in the folder a dialog starts in.
QString SuggestedPath(const QString& fileName = QString());
// A path the user chose in a dialog: the next dialog starts in its folder.
void RememberFolder(const QString& chosenPath);

#include "window/common/file_places.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString& LastFolder() {
    static QString folder;
    return folder;
}

}  // namespace

QString SuggestedPath(const QString& fileName) {
    QString folder = LastFolder();
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty()) folder = QDir::homePath();
    return fileName.isEmpty() ? folder : QDir(folder).filePath(fileName);
}

void RememberFolder(const QString& chosenPath) {
    if (!chosenPath.isEmpty()) LastFolder() = QFileInfo(chosenPath).absolutePath();
}

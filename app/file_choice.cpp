// The file dialogs' shared folder of this run.
#include "app/file_choice.h"

#include <QDir>
#include <QFileInfo>

namespace {
QString gLastFolder;  // empty until the first file is chosen
}  // namespace

QString DialogFolder(QStandardPaths::StandardLocation firstFolder) {
    if (!gLastFolder.isEmpty() && QDir(gLastFolder).exists()) return gLastFolder;
    const QString first = QStandardPaths::writableLocation(firstFolder);
    return !first.isEmpty() && QDir(first).exists() ? first : QDir::homePath();
}

void RememberDialogChoice(const QString& path) {
    if (!path.isEmpty()) gLastFolder = QFileInfo(path).absolutePath();
}

QString AskSavePath(QWidget* parent, const QString& title, const QString& suggestedName, const QString& filter,
                    QFileDialog::Options options, QStandardPaths::StandardLocation firstFolder) {
    const QString path = QFileDialog::getSaveFileName(parent, title, QDir(DialogFolder(firstFolder)).filePath(suggestedName),
                                                      filter, nullptr, options);
    RememberDialogChoice(path);
    return path;
}

QString AskOpenPath(QWidget* parent, const QString& title, const QString& filter) {
    const QString path = QFileDialog::getOpenFileName(parent, title, DialogFolder(), filter);
    RememberDialogChoice(path);
    return path;
}

// The window's file dialogs (pictures, recordings, states, the count log,
// the chart's files): each opens in the folder of the file last chosen in
// any of them during this run, and nothing of it is kept between runs.
#pragma once

#include <QFileDialog>
#include <QStandardPaths>
#include <QString>

class QWidget;

// A file to write, `suggestedName` offered in the run's last folder (before
// the first choice, `firstFolder`, or the home folder where that does not
// exist). Empty when the user cancels.
QString AskSavePath(QWidget* parent, const QString& title, const QString& suggestedName, const QString& filter,
                    QFileDialog::Options options = {},
                    QStandardPaths::StandardLocation firstFolder = QStandardPaths::HomeLocation);
// A file to read, in the same folder.
QString AskOpenPath(QWidget* parent, const QString& title, const QString& filter);

// The folder the next dialog opens in, and the choice that sets it.
QString DialogFolder(QStandardPaths::StandardLocation firstFolder = QStandardPaths::HomeLocation);
void RememberDialogChoice(const QString& path);

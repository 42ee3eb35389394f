#include "gui/GuiPrompts.h"

#include "gui/Messages.h"

#include <QFileDialog>
#include <QStringList>

#include <algorithm>

namespace korvanix::gui {

namespace {

// Runs a file dialog; the chosen path, false when the user cancelled.
bool RunForPath(QFileDialog& dialog, QString& path) {
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty())
        return false;
    path = chosen.front();
    return true;
}

} // namespace

bool FileDialogs::OpenPath(QWidget* parent, const QString& filter, QString& path) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(filter);
    return RunForPath(dialog, path);
}

bool FileDialogs::SavePath(QWidget* parent, const QString& proposed, const QString& filter,
                           const QString& defaultSuffix, QString& path) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(defaultSuffix);
    // Qt asks before overwriting unless told otherwise; said here so it stays so.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (!proposed.isEmpty())
        dialog.selectFile(proposed);
    return RunForPath(dialog, path);
}

bool FileDialogs::SavePathOfType(QWidget* parent, const QString& proposed,
                                 const QStringList& filters, const QStringList& suffixes,
                                 QString& path, int& filter) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    auto suffixOf = [&](const QString& nameFilter) {
        const auto i = filters.indexOf(nameFilter);
        return i >= 0 && i < suffixes.size() ? suffixes.at(i) : QString();
    };
    if (!filters.isEmpty())
        dialog.setDefaultSuffix(suffixOf(filters.front()));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&](const QString& chosen) { dialog.setDefaultSuffix(suffixOf(chosen)); });
    if (!proposed.isEmpty())
        dialog.selectFile(proposed);
    if (!RunForPath(dialog, path))
        return false;
    filter = std::max<int>(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
    return true;
}

namespace {
FileDialogs realDialogs;
FileDialogs* currentDialogs = &realDialogs;
} // namespace

FileDialogs& Files() {
    return *currentDialogs;
}

void SetFileDialogs(FileDialogs* dialogs) {
    currentDialogs = dialogs ? dialogs : &realDialogs;
}

QString SchemeFileFilter() {
    return QString::fromUtf8("Файлы схем (*.scm)");
}

QString TextFileFilter() {
    return QString::fromUtf8("Текстовые файлы (*.txt)");
}

document::Answer GuiPrompts::Ask(const std::string& question, bool withCancel) {
    switch (Messages().Ask(parent_, QString::fromStdString(question), withCancel)) {
    case Reply::Yes:
        return document::Answer::Yes;
    case Reply::No:
        return document::Answer::No;
    case Reply::Cancel:
    case Reply::Ok:
        break;
    }
    // A box closed without a choice never gives consent.
    return withCancel ? document::Answer::Cancel : document::Answer::No;
}

void GuiPrompts::Warn(const std::string& message) {
    Messages().Warn(parent_, QString::fromStdString(message));
}

bool GuiPrompts::ChooseSavePath(const std::string& currentPath, std::string& chosenPath) {
    QString path;
    if (!Files().SavePath(parent_, QString::fromStdString(currentPath), SchemeFileFilter(),
                          QStringLiteral("scm"), path))
        return false;
    chosenPath = path.toStdString();
    return true;
}

} // namespace korvanix::gui

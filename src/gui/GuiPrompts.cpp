#include "gui/GuiPrompts.h"

namespace korvanix::gui {

bool FileDialogs::OpenPath(QWidget* /*parent*/, const QString& /*filter*/, QString& /*path*/) {
    return false;
}

bool FileDialogs::SavePath(QWidget* /*parent*/, const QString& /*proposed*/,
                           const QString& /*filter*/, const QString& /*defaultSuffix*/,
                           QString& /*path*/) {
    return false;
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

document::Answer GuiPrompts::Ask(const std::string& /*question*/, bool withCancel) {
    return withCancel ? document::Answer::Cancel : document::Answer::No;
}

void GuiPrompts::Warn(const std::string& /*message*/) {}

bool GuiPrompts::ChooseSavePath(const std::string& /*currentPath*/, std::string& /*chosenPath*/) {
    return false;
}

} // namespace korvanix::gui

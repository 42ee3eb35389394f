#include "gui/RecentFiles.h"

#include <QSettings>
#include <QVariant>

namespace korvanix::gui {

RecentFiles::RecentFiles(QSettings* settings) : settings_(settings) {
    if (!settings_)
        return;
    const QVariant stored = settings_->value(QString::fromLatin1(kKey));
    // A single string reads as a list of one; anything else as nothing.
    const QStringList read =
        stored.canConvert<QStringList>() ? stored.toStringList() : QStringList();
    for (const QString& path : read) {
        if (files_.size() >= kMax)
            break;
        if (!path.trimmed().isEmpty() && !files_.contains(path))
            files_.append(path);
    }
}

void RecentFiles::Add(const QString& path) {
    if (path.trimmed().isEmpty())
        return;
    files_.removeAll(path);
    files_.prepend(path);
    while (files_.size() > kMax)
        files_.removeLast();
    Store();
}

void RecentFiles::Remove(const QString& path) {
    if (files_.removeAll(path) > 0)
        Store();
}

void RecentFiles::Store() {
    if (settings_)
        settings_->setValue(QString::fromLatin1(kKey), files_);
}

} // namespace korvanix::gui

#pragma once

#include <QString>
#include <QStringList>

class QSettings;

namespace korvanix::gui {

// The documents last opened or saved, newest first, kept in the user's settings.
// Whatever the settings hold (another type, blanks, repeats, thousands of
// entries), the list read back is a clean one of at most kMax paths.
class RecentFiles {
public:
    static constexpr int kMax = 10;
    static constexpr const char* kKey = "1.1/RecentFiles";

    // Null keeps the list for this run only.
    explicit RecentFiles(QSettings* settings);

    const QStringList& Files() const { return files_; }
    // The path goes to the front (once).
    void Add(const QString& path);
    void Remove(const QString& path);

private:
    void Store();

    QSettings* settings_;
    QStringList files_;
};

} // namespace korvanix::gui

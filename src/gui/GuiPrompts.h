#pragma once

#include "document/Document.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace korvanix::gui {

// The file dialogs of the program. Tests install their own to answer them.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Open dialog: the file must exist. False when cancelled.
    virtual bool OpenPath(QWidget* parent, const QString& filter, QString& path);
    // Save dialog starting at `proposed`, asking before overwriting; `defaultSuffix`
    // is added to a name without one. False when cancelled.
    virtual bool SavePath(QWidget* parent, const QString& proposed, const QString& filter,
                          const QString& defaultSuffix, QString& path);
    // Save dialog offering several file types; the default suffix follows the
    // type chosen. `filter` holds the index of the chosen type on return.
    virtual bool SavePathOfType(QWidget* parent, const QString& proposed,
                                const QStringList& filters, const QStringList& suffixes,
                                QString& path, int& filter);
};

FileDialogs& Files();
// Null restores the real dialogs.
void SetFileDialogs(FileDialogs* dialogs);

// "Файлы схем (*.scm)" as a Qt filter.
QString SchemeFileFilter();
// "Текстовые файлы (*.txt)" as a Qt filter.
QString TextFileFilter();

// The document's questions and warnings as message boxes and file dialogs.
class GuiPrompts : public document::DocumentPrompts {
public:
    explicit GuiPrompts(QWidget* parent) : parent_(parent) {}
    document::Answer Ask(const std::string& question, bool withCancel) override;
    void Warn(const std::string& message) override;
    bool ChooseSavePath(const std::string& currentPath, std::string& chosenPath) override;

private:
    QWidget* parent_;
};

} // namespace korvanix::gui

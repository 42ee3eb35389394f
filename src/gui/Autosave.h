#pragma once

#include "document/RecoveryStore.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <string>

class QSettings;

namespace korvanix::gui {

class DocumentController;

// Where recovery copies go: the user's data folder unless tests chose another.
// Empty restores the user's.
void SetRecoveryFolder(const QString& folder);
QString RecoveryFolder();

// The interval in minutes as the settings keep it: 0 turns autosave off;
// anything missing, unreadable or outside 0…60 gives the default.
int ReadAutosaveMinutes(QSettings& settings);
void WriteAutosaveMinutes(QSettings& settings, int minutes);

// Keeps a recovery copy of the sheet's document while it has unsaved changes,
// and offers at start-up the copies a crash left behind. The copy never goes
// near the user's file; failing to write it is said once in the status bar and
// never stops editing.
class Autosave : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultMinutes = 2;
    static constexpr int kMaxMinutes = 60;

    explicit Autosave(DocumentController& docs);

    // 0 turns autosave off.
    void SetMinutes(int minutes);
    int Minutes() const { return minutes_; }
    // Milliseconds, for tests that cannot wait a minute.
    void SetIntervalMs(int ms);
    bool IsRunning() const { return timer_.isActive(); }

    // Writes the copy now when the document has unsaved changes and removes
    // this run's copy when it has none; true when a copy was written.
    bool Tick();
    // The document was saved, or left without saving: its copy has no use.
    void DocumentSettled();
    // A restored copy becomes this run's: the next tick replaces it, saving
    // removes it.
    void Adopt(const std::string& file) { file_ = file; }
    // The copy this run keeps for the open document; empty when there is none.
    const std::string& CurrentFile() const { return file_; }

    // The copies earlier runs left: a damaged one is offered for deletion; the
    // newest copy newer than its document is offered for restoring, deleting or
    // keeping. Once one is restored, the rest wait for the next start (one
    // document is open at a time). Nothing is deleted unless the user says so.
    void OfferCopies();

signals:
    void statusMessage(const QString& text);

private:
    document::RecoveryStore Store() const;

    DocumentController& docs_;
    std::string tag_;
    QTimer timer_;
    // A tick that came in the middle of a gesture comes again soon after.
    QTimer retry_;
    int minutes_ = kDefaultMinutes;
    std::string file_;
    bool failureShown_ = false;
};

} // namespace korvanix::gui

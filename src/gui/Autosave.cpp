#include "gui/Autosave.h"

#include "gui/DocumentController.h"
#include "gui/Messages.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include <atomic>
#include <new>

namespace korvanix::gui {

namespace {

constexpr const char* kMinutesKey = "1.1/AutosaveMinutes";
// A gesture in progress holds the sheet in a state of its own.
constexpr int kRetryMs = 2000;

QString& ChosenFolder() {
    static QString folder;
    return folder;
}

QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}

// This run's own mark on its copies: no two windows of any two runs share one.
std::string WriterTag() {
    static std::atomic<int> windows{0};
    static const qint64 started = QDateTime::currentMSecsSinceEpoch();
    return QStringLiteral("%1-%2-%3")
        .arg(QCoreApplication::applicationPid())
        .arg(started)
        .arg(++windows)
        .toStdString();
}

QString DocumentLabel(const std::string& path) {
    return path.empty() ? QString::fromUtf8(document::Document::kUntitled) : Utf8(path);
}

} // namespace

void SetRecoveryFolder(const QString& folder) {
    ChosenFolder() = folder;
}

QString RecoveryFolder() {
    if (!ChosenFolder().isEmpty())
        return ChosenFolder();
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("recovery"));
}

int ReadAutosaveMinutes(QSettings& settings) {
    // Through a double: an integer conversion of 1e300 quietly gives 0 (off).
    bool ok = false;
    const double minutes = settings.value(QString::fromLatin1(kMinutesKey)).toDouble(&ok);
    if (!ok || !(minutes >= 0 && minutes <= Autosave::kMaxMinutes) ||
        minutes != static_cast<int>(minutes))
        return Autosave::kDefaultMinutes;
    return static_cast<int>(minutes);
}

void WriteAutosaveMinutes(QSettings& settings, int minutes) {
    settings.setValue(QString::fromLatin1(kMinutesKey), minutes);
}

Autosave::Autosave(DocumentController& docs) : QObject(&docs), docs_(docs), tag_(WriterTag()) {
    connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
    retry_.setSingleShot(true);
    retry_.setInterval(kRetryMs);
    connect(&retry_, &QTimer::timeout, this, [this] { Tick(); });
    SetMinutes(kDefaultMinutes);
}

void Autosave::SetMinutes(int minutes) {
    minutes_ = minutes < 0 || minutes > kMaxMinutes ? kDefaultMinutes : minutes;
    if (minutes_ == 0) {
        timer_.stop();
        retry_.stop();
    } else {
        timer_.start(minutes_ * 60 * 1000);
    }
}

void Autosave::SetIntervalMs(int ms) {
    timer_.start(ms);
}

document::RecoveryStore Autosave::Store() const {
    return document::RecoveryStore(RecoveryFolder().toStdString(), tag_);
}

bool Autosave::Tick() {
    const document::Document& doc = docs_.Doc();
    if (!doc.IsModified()) {
        DocumentSettled();
        return false;
    }
    if (docs_.CurrentGesture() != DocumentController::Gesture::None) {
        retry_.start();
        return false;
    }
    const document::RecoveryStore store = Store();
    const std::string key = document::RecoveryStore::KeyOf(doc.Path(), doc.IsUntitled());
    const std::string target = store.FileFor(key);
    document::WriteOutcome outcome = document::WriteOutcome::WriteFailed;
    try {
        outcome = store.Write(key, doc.Serialize());
    } catch (const std::bad_alloc&) {
    }
    if (outcome != document::WriteOutcome::Written) {
        // Said once: a full disk stays full for a while, and editing goes on.
        if (!failureShown_)
            emit statusMessage(
                QString::fromUtf8("Не удается записать копию для восстановления в папку %1.")
                    .arg(Utf8(store.Folder())));
        failureShown_ = true;
        return false;
    }
    failureShown_ = false;
    // Saved as another name, or restored from another run's copy: one copy a document.
    if (!file_.empty() && file_ != target)
        document::RecoveryStore::Remove(file_);
    file_ = target;
    return true;
}

void Autosave::DocumentSettled() {
    document::RecoveryStore::Remove(file_);
    file_.clear();
    retry_.stop();
}

void Autosave::OfferCopies() {
    bool restored = false;
    for (const document::RecoveryCopy& copy : Store().List()) {
        if (copy.file == file_)
            continue;
        if (!copy.readable) {
            const QString text =
                QString::fromUtf8("Копия для восстановления %1 повреждена и не может быть "
                                  "прочитана.\nУдалить ее?")
                    .arg(Utf8(copy.file));
            if (Messages().Ask(docs_.DialogParent(), text, false) == Reply::Yes)
                document::RecoveryStore::Remove(copy.file);
            continue;
        }
        if (!copy.newerThanDocument || restored)
            continue;
        const QString when = QDateTime::fromMSecsSinceEpoch(copy.writtenAt / 1000000)
                                 .toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
        const QString text =
            QString::fromUtf8("Найдена копия документа %1 от %2 с изменениями, которые не были "
                              "сохранены.\nВосстановить их?")
                .arg(DocumentLabel(copy.documentPath), when);
        const QStringList buttons = {QString::fromUtf8("Восстановить"),
                                     QString::fromUtf8("Удалить"), QString::fromUtf8("Оставить")};
        switch (Messages().Choose(docs_.DialogParent(), text, buttons)) {
        case 0:
            restored = docs_.RestoreRecovered(copy.file);
            break;
        case 1:
            document::RecoveryStore::Remove(copy.file);
            break;
        default:
            break; // kept for a later start
        }
    }
}

} // namespace korvanix::gui

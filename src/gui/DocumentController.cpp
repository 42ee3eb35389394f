#include "gui/DocumentController.h"

#include "document/RecoveryStore.h"
#include "gui/Autosave.h"
#include "gui/GuiPrompts.h"
#include "gui/Messages.h"

#include <QApplication>
#include <QWidget>

namespace korvanix::gui {

namespace {

// Modal moments of the whole program: there is one window thread.
int moments = 0;

// How soon a waiting document is looked at again.
constexpr int kRetryMs = 100;

QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

DocumentController::Moment::Moment() {
    ++moments;
}

DocumentController::Moment::~Moment() {
    --moments;
}

bool DocumentController::InModalMoment() {
    return moments > 0 || QApplication::activeModalWidget() != nullptr ||
           QApplication::activePopupWidget() != nullptr;
}

DocumentController::DocumentController(QObject* parent) : QObject(parent) {
    autosave_ = new Autosave(*this);
    connect(autosave_, &Autosave::statusMessage, this, &DocumentController::statusMessage);
    session_.SetRestoredHandler([this] { emit historyRestored(); });
    session_.Reset();
    retry_.setSingleShot(true);
    retry_.setInterval(kRetryMs);
    connect(&retry_, &QTimer::timeout, this, &DocumentController::DeliverIncoming);
}

DocumentController::~DocumentController() = default;

void DocumentController::SettingsEdited() {
    session_.UpdateModified();
}

void DocumentController::New() {
    Moment moment;
    emit aboutToChange();
    if (!PromptToSaveFirst())
        return;
    Doc().New();
    Replaced();
}

void DocumentController::Open() {
    Moment moment;
    emit aboutToChange();
    if (!PromptToSaveFirst())
        return;
    QString path;
    if (!Files().OpenPath(dialogParent_, SchemeFileFilter(), path))
        return;
    OpenPath(path, false);
}

bool DocumentController::PromptToSaveFirst() {
    GuiPrompts prompts(dialogParent_);
    const document::PromptResult answer = Doc().PromptToSave(prompts);
    if (!answer.save.message.empty())
        Messages().Warn(dialogParent_, Utf8(answer.save.message));
    if (answer.save.saved) {
        session_.MarkSaved();
        // The file holds it now: the recovery copy has no use.
        autosave_->DocumentSettled();
    }
    return answer.proceed;
}

bool DocumentController::PromptBeforeClose() {
    Moment moment;
    emit aboutToChange();
    if (!PromptToSaveFirst())
        return false;
    // Saved or given up: its recovery copy goes.
    autosave_->DocumentSettled();
    return true;
}

void DocumentController::OpenPath(const QString& path, bool prompt) {
    Moment moment;
    emit aboutToChange();
    if (prompt && !PromptToSaveFirst())
        return;
    const document::OpenResult result = Doc().Open(path.toStdString());
    if (result.read || result.reset)
        Replaced();
    if (!result.message.empty())
        Messages().Warn(dialogParent_, Utf8(result.message));
    if (result.read)
        emit fileUsed(Utf8(Doc().Path()));
}

bool DocumentController::Save() {
    return SaveDocument(false);
}

bool DocumentController::SaveAs() {
    return SaveDocument(true);
}

bool DocumentController::SaveDocument(bool saveAs) {
    Moment moment;
    emit aboutToChange();
    GuiPrompts prompts(dialogParent_);
    document::Document& doc = Doc();
    const std::string nameBefore = doc.Name();
    document::SaveResult result;
    if (saveAs) {
        std::string chosen;
        if (!prompts.ChooseSavePath(doc.Path(), chosen))
            return false;
        result = doc.SaveAs(chosen, prompts);
    } else {
        result = doc.Save(prompts);
    }
    if (!result.message.empty())
        Messages().Warn(dialogParent_, Utf8(result.message));
    if (!result.saved) {
        session_.UpdateModified();
        return false;
    }
    session_.MarkSaved();
    session_.UpdateModified();
    autosave_->DocumentSettled();
    if (doc.Name() != nameBefore || saveAs)
        emit nameChanged(Utf8(doc.Name()));
    emit statusMessage(Utf8(result.status));
    emit fileUsed(Utf8(doc.Path()));
    return true;
}

bool DocumentController::RestoreRecovered(const std::string& file) {
    Moment moment;
    std::string path;
    std::vector<uint8_t> image;
    if (!document::RecoveryStore::Read(file, path, image)) {
        Messages().Warn(dialogParent_, QString::fromUtf8("Копия для восстановления %1 повреждена "
                                                         "и не может быть прочитана.")
                                           .arg(Utf8(file)));
        return false;
    }
    emit aboutToChange();
    if (!PromptToSaveFirst())
        return false;
    const document::OpenResult result = Doc().Recover(image, path);
    if (result.read || result.reset)
        Replaced();
    if (!result.message.empty())
        Messages().Warn(dialogParent_, Utf8(result.message));
    if (!result.read)
        return false;
    session_.ResetUnsaved();
    autosave_->Adopt(file);
    emit stateChanged();
    return true;
}

void DocumentController::Replaced() {
    // The changes given up at the prompt go with their recovery copy; a file
    // that failed to open never gets here, and the copy stays.
    autosave_->DocumentSettled();
    // The sheet rebuilds fonts and tags for the new circuit and then starts
    // its history afresh.
    emit documentReplaced();
    emit nameChanged(Utf8(Doc().Name()));
}

void DocumentController::Receive(const QString& path) {
    incoming_.push_back(path);
    // Never inside the caller: it may be a socket's or a drop's handler, which
    // must return before any box opens.
    QTimer::singleShot(0, this, &DocumentController::DeliverIncoming);
}

bool DocumentController::CanDeliver() const {
    return !InModalMoment() && CurrentGesture() != Gesture::Dragging;
}

void DocumentController::DeliverIncoming() {
    if (incoming_.empty())
        return;
    if (!CanDeliver()) {
        retry_.start();
        return;
    }
    const QString path = incoming_.front();
    incoming_.pop_front();
    emit incomingDelivered(path);
    OpenPath(path, true);
    if (!incoming_.empty())
        retry_.start();
}

} // namespace korvanix::gui

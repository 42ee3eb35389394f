#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace korvanix::gui {

enum class Reply { Yes, No, Cancel, Ok };

// Every message box of the program goes through here, with the caption
// "KORVANIX": warnings with the warning icon, questions with the question icon.
// Tests install their own service to read the texts and answer the questions.
class MessageService {
public:
    virtual ~MessageService() = default;
    virtual void Warn(QWidget* parent, const QString& text);
    // A warning under a caption of its own ("Контур 1").
    virtual void WarnCaptioned(QWidget* parent, const QString& caption, const QString& text);
    virtual void Inform(QWidget* parent, const QString& text);
    // Yes/No, or Yes/No/Cancel with `withCancel`.
    virtual Reply Ask(QWidget* parent, const QString& text, bool withCancel);
    // A question with buttons of its own: the index of the button pressed; the
    // last button when the box is closed otherwise (Escape, the title bar).
    virtual int Choose(QWidget* parent, const QString& text, const QStringList& buttons);
};

inline constexpr const char* kAppTitle = "KORVANIX";

MessageService& Messages();
// Null restores the message boxes.
void SetMessageService(MessageService* service);

} // namespace korvanix::gui

#pragma once

#include "document/Document.h"

#include <QString>
#include <QWidget>

class QPlainTextEdit;

namespace korvanix::gui {

// A block of text in a fixed-pitch font in a scrollable, editable field.
class CTextWnd : public QWidget {
    Q_OBJECT
public:
    CTextWnd(QWidget* owner, const QString& title);
    void SetText(const QString& text);
    QString Text() const;

private:
    QPlainTextEdit* edit_ = nullptr;
};

// "Список элементов": finds the open window or creates it, and fills it with the
// circuit's element list.
CTextWnd* ShowElementList(QWidget* owner, model::Scheme& scheme);
// New, Open and a failed read close the window.
void CloseElementList();

// "Сохранить список элементов...": proposes the document name with ".txt", passes
// the read-only guard, writes the list; the status text on completion.
void SaveElementList(QWidget* parent, document::Document& doc, QString& statusText);

} // namespace korvanix::gui

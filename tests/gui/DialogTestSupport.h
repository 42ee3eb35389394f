#pragma once

// Driving our dialogs headless: finding their widgets by object name, typing and
// clicking as a user would, and reading the warnings they show.

#include "gui/HelpViewer.h"
#include "gui/Messages.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

// Readable failure output for texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace korvanix::gui::dialog_test {

inline QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

class RecordingMessages : public MessageService {
public:
    void Warn(QWidget*, const QString& text) override { warnings.push_back(text); }
    void WarnCaptioned(QWidget*, const QString&, const QString& text) override {
        warnings.push_back(text);
    }
    void Inform(QWidget*, const QString& text) override { warnings.push_back(text); }
    Reply Ask(QWidget*, const QString&, bool) override { return Reply::No; }
    std::vector<QString> warnings;
};

template <class T> T* Find(QWidget* dialog, const char* name) {
    T* widget = dialog->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

inline QLineEdit* Edit(QWidget* dialog, const char* name) {
    return Find<QLineEdit>(dialog, name);
}

inline QComboBox* Combo(QWidget* dialog, const char* name) {
    return Find<QComboBox>(dialog, name);
}

inline QListWidget* List(QWidget* dialog, const char* name) {
    return Find<QListWidget>(dialog, name);
}

inline QPushButton* Button(QWidget* dialog, const char* name) {
    return Find<QPushButton>(dialog, name);
}

inline QString LabelText(QWidget* dialog, const char* name) {
    QLabel* label = Find<QLabel>(dialog, name);
    return label ? label->text() : QString();
}

inline void Click(QWidget* dialog, const char* name) {
    QPushButton* button = Button(dialog, name);
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
}

// Replaces the field's text key by key, as the user would.
inline void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

inline QStringList Items(const QListWidget* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

inline QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

inline bool Accepted(const QDialog& dialog) {
    return dialog.result() == QDialog::Accepted;
}

// The test's message service in place for one test, and the help viewer closed
// after it.
class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { SetMessageService(&messages); }
    void TearDown() override {
        SetMessageService(nullptr);
        CloseHelpViewer();
    }
    // The one warning shown since the last call, or an empty text.
    QString TakeWarning() {
        EXPECT_LE(messages.warnings.size(), 1u);
        QString text = messages.warnings.empty() ? QString() : messages.warnings.back();
        messages.warnings.clear();
        return text;
    }

    RecordingMessages messages;
};

} // namespace korvanix::gui::dialog_test

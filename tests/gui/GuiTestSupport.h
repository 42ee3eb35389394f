#pragma once

// Small helpers the window tests share.

#include "gui/Messages.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

namespace korvanix::gui::test_support {

inline QString U(const char* text) {
    return QString::fromUtf8(text);
}

// The whole file; empty when it cannot be read.
inline QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Records every box instead of showing it; questions are answered "No".
class RecordingMessages : public MessageService {
public:
    void Warn(QWidget*, const QString& text) override { warnings.push_back(text); }
    void WarnCaptioned(QWidget*, const QString& caption, const QString& text) override {
        warnings.push_back(caption + QStringLiteral(": ") + text);
    }
    void Inform(QWidget*, const QString& text) override { warnings.push_back(text); }
    Reply Ask(QWidget*, const QString& text, bool) override {
        questions.push_back(text);
        return Reply::No;
    }
    QStringList warnings;
    QStringList questions;
};

} // namespace korvanix::gui::test_support

#pragma once

// Small helpers the window tests share.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace korvanix::gui::test_support {

inline QString U(const char* text) {
    return QString::fromUtf8(text);
}

// The whole file; empty when it cannot be read.
inline QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace korvanix::gui::test_support

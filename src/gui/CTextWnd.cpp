#include "gui/CTextWnd.h"

#include "gui/GuiPrompts.h"
#include "gui/Messages.h"
#include "model/Text1251.h"
#include "netlist/NetlistText.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

namespace korvanix::gui {

namespace {

const char* const kElementListTitle = "Список элементов";

QFont TextFont() {
    QFont font(QStringLiteral("Courier"));
    font.setPointSize(10);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (QFontInfo(font).fixedPitch())
        return font;
    QFont fallback = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fallback.setPointSize(10);
    return fallback;
}

// Along the bottom of the screen, 30 pixels in from each side.
QRect DefaultGeometry(const QWidget* owner) {
    QScreen* screen = owner ? owner->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {30, 30, 600, 215};
    const QRect s = screen->geometry();
    const int width = std::max(s.width() - 60, 200);
    return {s.left() + 30, s.top() + std::max(s.height() - 270, 0), width, 215};
}

CTextWnd* FindElementList() {
    const QString title = QString::fromUtf8(kElementListTitle);
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* text = qobject_cast<CTextWnd*>(w);
        // A closed window is only waiting to be deleted.
        if (text && text->isVisible() && text->windowTitle() == title)
            return text;
    }
    return nullptr;
}

QString FileNameOf(const QString& path) {
    return QFileInfo(path).fileName();
}

// The document name with its extension (".scm") replaced by ".txt"; beside the
// document when it has a folder.
QString ProposedListName(const document::Document& doc) {
    const QString name = QString::fromStdString(doc.Name());
    QString base = name;
    if (name.size() >= 4 && name.at(name.size() - 4) == QLatin1Char('.'))
        base = name.left(name.size() - 4);
    const QString proposed = base + QStringLiteral(".txt");
    if (doc.IsUntitled())
        return proposed;
    const QFileInfo where(QString::fromStdString(doc.Path()));
    return where.dir().filePath(proposed);
}

} // namespace

CTextWnd::CTextWnd(QWidget* owner, const QString& title) : QWidget(owner, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);

    edit_ = new QPlainTextEdit(this);
    edit_->setObjectName(QStringLiteral("text"));
    edit_->setFont(TextFont());
    edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit_);

    setGeometry(DefaultGeometry(owner));
}

void CTextWnd::SetText(const QString& text) {
    edit_->setPlainText(text);
}

QString CTextWnd::Text() const {
    return edit_->toPlainText();
}

CTextWnd* ShowElementList(QWidget* owner, model::Scheme& scheme) {
    CTextWnd* window = FindElementList();
    if (!window)
        window = new CTextWnd(owner, QString::fromUtf8(kElementListTitle));
    QString text = QString::fromStdString(netlist::BuildNetlistText(scheme));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    window->SetText(text);
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    return window;
}

void CloseElementList() {
    if (CTextWnd* window = FindElementList())
        window->close();
}

void SaveElementList(QWidget* parent, document::Document& doc, QString& statusText) {
    QString path;
    if (!Files().SavePath(parent, ProposedListName(doc), TextFileFilter(), QStringLiteral("txt"),
                          path))
        return;
    const QString name = FileNameOf(path);

    GuiPrompts prompts(parent);
    if (!document::PassReadOnlyGuard(path.toStdString(), prompts))
        return;

    try {
        // The file holds the list as the program writes text files: CR LF line
        // ends, code page 1251.
        const std::string text = model::Utf8ToCp1251(netlist::BuildNetlistText(doc.scheme));
        const std::vector<uint8_t> bytes(text.begin(), text.end());
        switch (document::WriteFileAtomically(path.toStdString(), bytes)) {
        case document::WriteOutcome::Written:
            statusText = QString::fromUtf8(document::Document::kSavedAsStatus);
            return;
        case document::WriteOutcome::CannotOpen:
            Messages().Warn(parent,
                            QString::fromUtf8("Не удается открыть файл ") + name +
                                QString::fromUtf8(" для записи.\nСохранение не выполнено."));
            return;
        case document::WriteOutcome::WriteFailed:
            Messages().Warn(parent, QString::fromUtf8("Ошибка записи в файл ") + name);
            return;
        }
    } catch (const std::bad_alloc&) {
        Messages().Warn(parent, QString::fromUtf8("Ошибка выделения памяти."));
    }
}

} // namespace korvanix::gui

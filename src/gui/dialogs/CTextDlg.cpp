#include "gui/dialogs/CTextDlg.h"

#include "gui/dialogs/DialogButtons.h"

#include "gui/Messages.h"
#include "gui/dialogs/FontChooser.h"
#include "model/Text1251.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QTextCursor>
#include <QVBoxLayout>

namespace korvanix::gui {
namespace {

// A long foreign text would otherwise fill the screen with the warning.
constexpr std::size_t kMostNamed = 20;

// Blanks and invisible characters would vanish from the message: they go by their code.
QString CharacterName(char32_t c) {
    if (QChar::isPrint(c) && !QChar::isSpace(c))
        return QString::fromUcs4(&c, 1);
    return QStringLiteral("U+%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

CTextDlg::CTextDlg(const QString& text, const model::LogFont& font, uint32_t colour,
                   QWidget* parent)
    : QDialog(parent), text_(text), font_(font), colour_(colour), edit_(new QPlainTextEdit(this)),
      fontButton_(new QPushButton(QString::fromUtf8("Шрифт..."), this)) {
    setWindowTitle(QString::fromUtf8("Текст"));
    edit_->setObjectName(QStringLiteral("text"));
    // Labels from older files may end their lines with CR LF; the edit wants LF.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    edit_->setPlainText(shown);
    fontButton_->setObjectName(QStringLiteral("font"));
    connect(fontButton_, &QPushButton::clicked, this, &CTextDlg::ChooseFont);

    QDialogButtonBox* buttons = OkCancelButtons(this, false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edit_);
    layout->addWidget(fontButton_, 0, Qt::AlignLeft);
    layout->addWidget(buttons);
    edit_->setFocus();
}

void CTextDlg::ChooseFont() {
    model::LogFont font = font_;
    uint32_t colour = colour_;
    if (Fonts().Choose(font, colour, this)) {
        font_ = font;
        colour_ = colour;
    }
}

void CTextDlg::accept() {
    const QString text = edit_->toPlainText();
    const std::u32string unstorable = model::Without1251Code(text.toStdString());
    if (!unstorable.empty()) {
        ReportUnstorable(unstorable);
        return;
    }
    text_ = text;
    QDialog::accept();
}

void CTextDlg::ReportUnstorable(const std::u32string& characters) {
    // The first of them is selected, so the user sees where to look.
    const QString text = edit_->toPlainText();
    for (int i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        int length = 1;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() &&
            text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            length = 2;
        }
        if (characters.find(c) != std::u32string::npos) {
            QTextCursor cursor = edit_->textCursor();
            cursor.setPosition(i);
            cursor.setPosition(i + length, QTextCursor::KeepAnchor);
            edit_->setTextCursor(cursor);
            break;
        }
        i += length - 1;
    }
    edit_->setFocus(Qt::OtherFocusReason);

    QStringList names;
    for (std::size_t k = 0; k < characters.size() && k < kMostNamed; ++k)
        names << CharacterName(characters[k]);
    if (characters.size() > kMostNamed)
        names << QStringLiteral("...");
    Messages().Warn(this, QString::fromUtf8("Эти символы нельзя сохранить в файле схемы: ") +
                              names.join(QLatin1Char(' ')));
}

} // namespace korvanix::gui

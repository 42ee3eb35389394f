#pragma once

#include "model/LogFont.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <string>

class QPlainTextEdit;
class QPushButton;

namespace korvanix::gui {

// "Текст": the text of a label over several lines, and its font and colour through
// "Шрифт...". The font and colour change as soon as the font dialog is confirmed;
// the text is taken on OK.
class CTextDlg : public QDialog {
    Q_OBJECT
public:
    CTextDlg(const QString& text, const model::LogFont& font, uint32_t colour,
             QWidget* parent = nullptr);

    QString Text() const { return text_; }
    const model::LogFont& Font() const { return font_; }
    uint32_t Colour() const { return colour_; }

    QPlainTextEdit* TextEdit() const { return edit_; }
    QPushButton* FontButton() const { return fontButton_; }

    // Refuses a text with characters the scheme file cannot hold, naming them, rather
    // than letting them be saved as '?'.
    void accept() override;

private:
    void ChooseFont();
    void ReportUnstorable(const std::u32string& characters);

    QString text_;
    model::LogFont font_;
    uint32_t colour_;
    QPlainTextEdit* edit_;
    QPushButton* fontButton_;
};

} // namespace korvanix::gui

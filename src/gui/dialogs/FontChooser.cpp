#include "gui/dialogs/FontChooser.h"

#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace korvanix::gui {
namespace {

FontChooser realChooser;
FontChooser* current = &realChooser;

// Sizes below this are not a font anyone can read; a record holding one (or a
// zero, "any size" in the stored form) opens at the usual 10 pt.
constexpr double kSmallestPointSize = 1.0;
constexpr double kFallbackPointSize = 10.0;

void PaintSwatch(QPushButton* button, const QColor& colour) {
    button->setStyleSheet(QStringLiteral("background-color: %1;").arg(colour.name()));
}

// The font dialog of the platform embedded without its buttons, with the colour
// choice beside it, as one dialog with one OK.
class FontAndColourDialog : public QDialog {
public:
    FontAndColourDialog(const QFont& font, const QColor& colour, QWidget* parent)
        : QDialog(parent), colour_(colour) {
        setWindowTitle(QString::fromUtf8("Шрифт"));
        fonts_ = new QFontDialog(font, this);
        fonts_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
        fonts_->setWindowFlags(Qt::Widget);
        auto* colourButton = new QPushButton(QString::fromUtf8("Цвет..."), this);
        swatch_ = new QPushButton(this);
        swatch_->setFixedWidth(40);
        swatch_->setEnabled(false);
        PaintSwatch(swatch_, colour_);
        connect(colourButton, &QPushButton::clicked, this, [this] {
            const QColor chosen = QColorDialog::getColor(colour_, this);
            if (chosen.isValid()) {
                colour_ = chosen;
                PaintSwatch(swatch_, colour_);
            }
        });
        auto* buttons = new QDialogButtonBox(this);
        buttons->addButton(QString::fromUtf8("OK"), QDialogButtonBox::AcceptRole);
        buttons->addButton(QString::fromUtf8("Отмена"), QDialogButtonBox::RejectRole);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* colourRow = new QHBoxLayout;
        colourRow->addWidget(colourButton);
        colourRow->addWidget(swatch_);
        colourRow->addStretch();
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(fonts_);
        layout->addLayout(colourRow);
        layout->addWidget(buttons);
    }
    QFont ChosenFont() const { return fonts_->currentFont(); }
    QColor ChosenColour() const { return colour_; }

private:
    QFontDialog* fonts_;
    QPushButton* swatch_;
    QColor colour_;
};

} // namespace

bool FontChooser::Choose(model::LogFont& font, uint32_t& colour, QWidget* parent) {
    FontAndColourDialog dialog(PointFontFromLogFont(font), ColorFromColorRef(colour), parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    font = LogFontFromPointFont(dialog.ChosenFont(), font);
    colour = ColorRefFromColor(dialog.ChosenColour());
    return true;
}

FontChooser& Fonts() {
    return *current;
}

void SetFontChooser(FontChooser* chooser) {
    current = chooser ? chooser : &realChooser;
}

QFont PointFontFromLogFont(const model::LogFont& record) {
    QFont font(QString::fromStdString(record.Face()));
    const double points = record.height / 10.0;
    font.setPointSizeF(points >= kSmallestPointSize ? points : kFallbackPointSize);
    if (record.weight > 0)
        font.setWeight(static_cast<QFont::Weight>(std::clamp<int>(record.weight, 1, 1000)));
    font.setItalic(record.italic != 0);
    font.setUnderline(record.underline != 0);
    font.setStrikeOut(record.strikeOut != 0);
    return font;
}

model::LogFont LogFontFromPointFont(const QFont& font, const model::LogFont& base) {
    model::LogFont record = base;
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : kFallbackPointSize;
    record.height = static_cast<int32_t>(std::lround(points * 10));
    record.width = 0;
    record.weight = font.weight();
    record.italic = font.italic() ? 1 : 0;
    record.underline = font.underline() ? 1 : 0;
    record.strikeOut = font.strikeOut() ? 1 : 0;
    record.SetFace(font.family().toStdString());
    return record;
}

QColor ColorFromColorRef(uint32_t colour) {
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

uint32_t ColorRefFromColor(const QColor& colour) {
    return static_cast<uint32_t>(colour.red()) | (static_cast<uint32_t>(colour.green()) << 8) |
           (static_cast<uint32_t>(colour.blue()) << 16);
}

} // namespace korvanix::gui

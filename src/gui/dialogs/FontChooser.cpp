#include "gui/dialogs/FontChooser.h"

#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

namespace korvanix::gui {
namespace {

FontChooser realChooser;
FontChooser* current = &realChooser;

// Sizes below this are not a font anyone can read; a record holding one (or a
// zero, "any size" in the stored form) opens at the usual 10 pt.
constexpr double kSmallestPointSize = 1.0;
constexpr double kFallbackPointSize = 10.0;

void PaintSwatch(QLabel* swatch, const QColor& colour) {
    swatch->setStyleSheet(
        QStringLiteral("background-color: %1; border: 1px solid gray;").arg(colour.name()));
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
        swatch_ = new QLabel(this);
        swatch_->setFixedSize(40, colourButton->sizeHint().height());
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
    QLabel* swatch_;
    QColor colour_;
};

} // namespace

bool FontChooser::Choose(model::LogFont& font, uint32_t& colour, QWidget* parent) {
    FontAndColourDialog dialog(WithMatchingStyle(PointFontFromLogFont(font)),
                               ColorFromColorRef(colour), parent);
    // What the dialog shows may differ from the record (a face this system lacks
    // falls back to another): what the user leaves as shown stays as stored.
    const QFont shown = dialog.ChosenFont();
    if (dialog.exec() != QDialog::Accepted)
        return false;
    font = MergeChosenFont(font, shown, dialog.ChosenFont());
    colour = ColorRefFromColor(dialog.ChosenColour());
    return true;
}

QFont WithMatchingStyle(QFont font) {
    // The dialog selects a style by name; without one it falls back to the first
    // style it lists (a condensed italic, say), so name the family's style that
    // has the font's weight and slant, the plainest such first.
    const QString family = QFontInfo(font).family();
    QString best;
    int bestScore = -1;
    for (const QString& style : QFontDatabase::styles(family)) {
        const QString lower = style.toLower();
        const bool slanted = QFontDatabase::italic(family, style) ||
                             lower.contains(QLatin1String("italic")) ||
                             lower.contains(QLatin1String("oblique"));
        if (slanted != font.italic())
            continue;
        int score = 1000 - std::abs(QFontDatabase::weight(family, style) - font.weight());
        for (const char* odd : {"condensed", "narrow", "expanded", "semi", "extra"})
            if (lower.contains(QLatin1String(odd)))
                score -= 1;
        if (score > bestScore) {
            bestScore = score;
            best = style;
        }
    }
    if (!best.isEmpty()) {
        font.setFamily(family);
        font.setStyleName(best);
    }
    return font;
}

model::LogFont MergeChosenFont(const model::LogFont& stored, const QFont& shown,
                               const QFont& chosen) {
    const model::LogFont taken = LogFontFromPointFont(chosen, stored);
    const model::LogFont opened = LogFontFromPointFont(shown, stored);
    model::LogFont result = stored;
    if (chosen.family() != shown.family())
        std::copy(std::begin(taken.faceName), std::end(taken.faceName), result.faceName);
    if (taken.height != opened.height) {
        result.height = taken.height;
        result.width = 0;
    }
    if (taken.weight != opened.weight)
        result.weight = taken.weight;
    if (taken.italic != opened.italic)
        result.italic = taken.italic;
    if (taken.underline != opened.underline)
        result.underline = taken.underline;
    if (taken.strikeOut != opened.strikeOut)
        result.strikeOut = taken.strikeOut;
    return result;
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

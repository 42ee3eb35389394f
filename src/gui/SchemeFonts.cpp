#include "gui/SchemeFonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace korvanix::gui {
namespace {

// The record holds tenths of a point; at scale 100 one sheet unit is one pixel of
// a 96 dpi screen.
int PixelSizeFromTenths(int32_t tenths) {
    int64_t t = std::llabs(static_cast<long long>(tenths));
    if (t == 0)
        t = 100;
    // A damaged record must not ask for an absurd font.
    t = std::min<int64_t>(t, 10000);
    const int pixels = static_cast<int>(std::lround(static_cast<double>(t) / 10.0 * 96.0 / 72.0));
    return std::max(1, pixels);
}

} // namespace

QFont FontFromLogFont(const model::LogFont& font) {
    QFont result;
    const QString face = QString::fromStdString(font.Face());
    if (!face.isEmpty() && QFontDatabase::hasFamily(face)) {
        result.setFamily(face);
    } else {
        // A face this system lacks: the system's own sans font, not whatever the
        // font matcher would substitute.
        QFont sans = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        sans.setStyleHint(QFont::SansSerif);
        result.setFamily(QFontInfo(sans).family());
    }
    result.setPixelSize(PixelSizeFromTenths(font.height));
    // Weights 1..1000 of the record; 0 means the normal weight.
    const int weight = font.weight <= 0 ? 400 : std::min(1000, static_cast<int>(font.weight));
    result.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 100, 900)));
    result.setItalic(font.italic != 0);
    result.setUnderline(font.underline != 0);
    result.setStrikeOut(font.strikeOut != 0);
    return result;
}

SchemeFonts::SchemeFonts() : SchemeFonts(document::SchemeOptions{}) {}

SchemeFonts::SchemeFonts(const document::SchemeOptions& options) {
    fonts_[0] = FontFromLogFont(options.nameFont);
    fonts_[1] = FontFromLogFont(options.valueFont);
    fonts_[2] = FontFromLogFont(options.nodeFont);
    colours_[0] = options.nameColor;
    colours_[1] = options.valueColor;
    colours_[2] = options.nodeColor;
}

const QFont& SchemeFonts::Font(int which) const {
    return fonts_[(which >= 1 && which <= 3) ? which - 1 : 0];
}

uint32_t SchemeFonts::Colour(int which) const {
    return colours_[(which >= 1 && which <= 3) ? which - 1 : 0];
}

namespace {

model::Size Extent(const QFont& font, const std::string& utf8) {
    const QFontMetrics metrics(font);
    const QString text = QString::fromStdString(utf8);
    return {metrics.horizontalAdvance(text), metrics.height()};
}

} // namespace

model::Size QtTextMetrics::TextExtent(const std::string& utf8, int font) const {
    if (font >= 1 && font <= 3)
        return Extent(fonts_->Font(font), utf8);
    // A label whose font is not known here: the default label font.
    model::LogFont label;
    label.height = 120;
    label.weight = 400;
    label.SetFace("Arial");
    return Extent(FontFromLogFont(label), utf8);
}

QStringList LabelLines(const std::string& utf8) {
    QString text = QString::fromStdString(utf8);
    text.remove(QLatin1Char('\r'));
    return text.split(QLatin1Char('\n'));
}

model::Size QtTextMetrics::LabelExtent(const std::string& utf8, const model::LogFont& font) const {
    const QFontMetrics metrics(FontFromLogFont(font));
    const QStringList lines = LabelLines(utf8);
    int width = 0;
    for (const QString& line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    return {width, metrics.height() + (static_cast<int>(lines.size()) - 1) * metrics.lineSpacing()};
}

} // namespace korvanix::gui

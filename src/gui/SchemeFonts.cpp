#include "gui/SchemeFonts.h"

namespace korvanix::gui {

QFont FontFromLogFont(const model::LogFont& /*font*/) {
    return QFont();
}

SchemeFonts::SchemeFonts() : SchemeFonts(document::SchemeOptions{}) {}

SchemeFonts::SchemeFonts(const document::SchemeOptions& options) {
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

model::Size QtTextMetrics::TextExtent(const std::string& /*utf8*/, int /*font*/) const {
    return {};
}

} // namespace korvanix::gui

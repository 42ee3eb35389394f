#pragma once

#include "model/LogFont.h"

#include <QFont>

#include <cstdint>

class QWidget;

namespace korvanix::gui {

// The font dialog as the settings pages and the text dialog see it: a font record
// (height in tenths of a point) and a Windows colour value in, the choice out.
// Tests install a scripted chooser instead of the real dialog.
class FontChooser {
public:
    virtual ~FontChooser() = default;
    // True when the user confirmed; `font` and `colour` then hold the choice.
    // A cancelled choice leaves both untouched.
    virtual bool Choose(model::LogFont& font, uint32_t& colour, QWidget* parent);
};

FontChooser& Fonts();
// Null restores the real dialog.
void SetFontChooser(FontChooser* chooser);

// A stored font record as a point-sized Qt font (110 tenths -> 11 pt).
QFont PointFontFromLogFont(const model::LogFont& font);
// A chosen Qt font back as a record, the height in tenths of a point. What Qt does
// not know (character set, precision, quality, pitch) is taken from `base`.
model::LogFont LogFontFromPointFont(const QFont& font, const model::LogFont& base);

// Windows colour values (red in the low byte) and Qt colours.
QColor ColorFromColorRef(uint32_t colour);
uint32_t ColorRefFromColor(const QColor& colour);

} // namespace korvanix::gui

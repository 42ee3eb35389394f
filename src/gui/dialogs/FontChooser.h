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

// The font with the style name of its family that has its weight and slant (the
// plainest such), so that a font dialog opens on that style.
QFont WithMatchingStyle(QFont font);
// What a font dialog returns, merged into the stored record: only what the user
// changed from what the dialog showed at first replaces the stored value (a face
// this system lacks, shown as a fallback, stays stored when left alone).
model::LogFont MergeChosenFont(const model::LogFont& stored, const QFont& shown,
                               const QFont& chosen);

// Windows colour values (red in the low byte) and Qt colours.
QColor ColorFromColorRef(uint32_t colour);
uint32_t ColorRefFromColor(const QColor& colour);

} // namespace korvanix::gui

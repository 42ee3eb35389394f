#pragma once

#include "document/SettingsRecords.h"
#include "model/Geometry.h"
#include "model/LogFont.h"

#include <QFont>
#include <QStringList>

namespace korvanix::gui {

// A stored font record (height in tenths of a point) as a Qt font in sheet units.
QFont FontFromLogFont(const model::LogFont& font);

// The three scheme fonts (1 names, 2 values, 3 node numbers) and their colours,
// built from the document's display settings.
class SchemeFonts {
public:
    SchemeFonts();
    explicit SchemeFonts(const document::SchemeOptions& options);
    const QFont& Font(int which) const;
    uint32_t Colour(int which) const;

private:
    QFont fonts_[3];
    uint32_t colours_[3] = {};
};

// A text label's lines: it may hold line breaks (LF, or CR LF from older files).
QStringList LabelLines(const std::string& utf8);

// Text extents of the scheme fonts, for tags and text labels.
class QtTextMetrics : public model::TextMetrics {
public:
    explicit QtTextMetrics(const SchemeFonts& fonts) : fonts_(&fonts) {}
    model::Size TextExtent(const std::string& utf8, int font) const override;
    model::Size LabelExtent(const std::string& utf8, const model::LogFont& font) const override;

private:
    const SchemeFonts* fonts_;
};

} // namespace korvanix::gui

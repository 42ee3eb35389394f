#pragma once

#include "model/LogFont.h"

#include <QDialog>

#include <cstdint>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace korvanix::gui {

// One graph pane's display properties, as its settings dialog edits them.
struct GraphProps {
    std::string title;        // UTF-8
    model::LogFont titleFont; // height in tenths of a point
    uint32_t titleColour = 0; // 0x00BBGGRR
    model::LogFont numberFont;
    uint32_t numberColour = 0;
    int32_t xScale = 1; // 1 linear, 2 logarithmic, 4 decibels
    int32_t yScale = 1;
    int32_t xMask = 1; // bits of the scales the axis may offer
    int32_t yMask = 1;
    bool interpolate = true; // the ruler interpolates between points
};

// What a new pane starts with: the title in 12 pt dark blue, the numbers in
// 10 pt black (Cyrillic character set), linear scales, interpolation on. The face
// is one this machine has, so it asks the font database: call it once the
// application object exists.
GraphProps DefaultGraphProps();

// "Установки графика": the title, the two fonts with their colours, the scale of
// each axis among those its mask allows, and the ruler's interpolation. Props()
// holds the choice once OK is pressed; until then it holds what the dialog opened on.
class CGraphPropsDlg : public QDialog {
    Q_OBJECT
public:
    explicit CGraphPropsDlg(const GraphProps& props, QWidget* parent = nullptr);
    const GraphProps& Props() const { return props_; }

    void accept() override;

private:
    void ChangeFont(bool title);
    void RefreshFonts();

    GraphProps props_;
    // The fonts and colours as the user has chosen them so far; OK stores them.
    GraphProps shown_;
    QLineEdit* title_ = nullptr;
    QLabel* titleFont_ = nullptr;
    QLabel* numberFont_ = nullptr;
    QCheckBox* interpolate_ = nullptr;
    QComboBox* xScale_ = nullptr;
    QComboBox* yScale_ = nullptr;
};

} // namespace korvanix::gui

#pragma once

#include "gui/dialogs/CPropSheet.h"
#include "model/ParameterEditor.h"

#include <QString>

#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace korvanix::gui {

// The parameter page of the independent sources. Its rows follow the mode chosen
// in the mode box; every mode's values stay in the page, so switching back shows
// what was entered before.
class CSourceValuePropPage : public CPropertyPage {
    Q_OBJECT
public:
    static constexpr int kMaxRows = 4;

    // Check bits of a row.
    enum Check : int {
        kPositive = 1,   // value > 0
        kNonZero = 2,    // value <> 0
        kBelowUpper = 4, // value < upper bound
        kAboveLower = 8, // value > lower bound
    };

    CSourceValuePropPage(const QString& identifier, const model::SourcePageData& source,
                         QWidget* parent = nullptr);

    // The shown rows, then the end moment when its block is shown; the first
    // failure is reported on its field.
    bool Validate() override;
    void Apply() override;
    const model::SourcePageData& Data() const { return data_; }

    QComboBox* ModeBox() const { return modeBox_; }
    QLabel* CaptionLabel(int i) const { return captions_[i]; }
    QLineEdit* ValueEdit(int i) const { return edits_[i]; }
    QLabel* UnitLabel(int i) const { return units_[i]; }
    QCheckBox* EndTimeBox() const { return endTimeBox_; }
    QLineEdit* EndMomentEdit() const { return endMomentEdit_; }
    int ValueColumn() const { return valueColumn_; }

private:
    struct Row {
        double* value;
        int check;
        double lower;
        double upper;
        QString caption;
        QString unit;
    };

    std::vector<Row> RowsOf(int mode);
    bool HasEndBlock() const { return data_.mode == 2; }
    void ShowMode();
    // Reads the shown fields back into the mode's stored values (validated before).
    void StoreShown();
    void OnModeChosen(int index);

    model::SourcePageData data_;
    std::vector<Row> rows_;
    QString shownTexts_[kMaxRows];
    QString shownEndMoment_;
    QComboBox* modeBox_ = nullptr;
    QLabel* identifier_ = nullptr;
    QLabel* captions_[kMaxRows] = {};
    QLineEdit* edits_[kMaxRows] = {};
    QLabel* units_[kMaxRows] = {};
    QCheckBox* endTimeBox_ = nullptr;
    QLabel* endMomentCaption_ = nullptr;
    QLineEdit* endMomentEdit_ = nullptr;
    QLabel* endMomentUnit_ = nullptr;
    int valueColumn_ = 0;
};

} // namespace korvanix::gui

#pragma once

#include "gui/dialogs/CPropSheet.h"
#include "model/ParameterEditor.h"

#include <QString>

#include <vector>

class QLabel;
class QLineEdit;

namespace korvanix::gui {

// Helpers the two parameter pages share.
namespace value_field {
// A value as the edit shows it: 12 digits, prefix letter, no blank.
QString Text(double value);
// Reads the edit's first 30 characters as the user typed a value (model::ParseUserValue:
// a decimal comma, a blank before the prefix, the field's `unit` after it); false when
// anything is left over, so that no typed text is quietly dropped.
bool Read(const QLineEdit* edit, double& value, const QString& unit = {});
// Read, except that a field still showing `stored` gives that value rather than
// its 12-digit reading: opening a dialog and pressing OK changes no byte.
bool ReadKept(const QLineEdit* edit, double stored, double& value, const QString& unit = {});
// Focuses the field, selects its text and shows `message` as a warning over `page`.
void Report(QWidget* page, QLineEdit* edit, const QString& message);
// "Введите число, пожалуйста."
QString NotANumber();
// The message of a failed check code (1 greater than 0, 2 not 0), empty when it holds.
QString CheckMessage(int check, const QString& caption, double value);
} // namespace value_field

// The generic parameter page: up to six rows of caption, value and unit, and the
// element's name above them. The value column starts 60 pixels right of the widest
// caption, so that long captions push the values out rather than being cut.
class CValuePropPage : public CPropertyPage {
    Q_OBJECT
public:
    static constexpr int kMaxRows = 6;

    CValuePropPage(const QString& identifier, const std::vector<model::ParamRow>& rows,
                   QWidget* parent = nullptr);

    // Row by row from the first: the text must be a number, then the row's check
    // must hold. The first failure is reported on its field.
    bool Validate() override;
    void Apply() override;
    // The rows with the values taken back by Apply.
    const std::vector<model::ParamRow>& Rows() const { return rows_; }

    int ValueColumn() const { return valueColumn_; }
    QLabel* CaptionLabel(int i) const { return captions_[i]; }
    QLineEdit* ValueEdit(int i) const { return edits_[i]; }
    QLabel* UnitLabel(int i) const { return units_[i]; }
    QLabel* IdentifierLabel() const { return identifier_; }

private:
    std::vector<model::ParamRow> rows_;
    // The texts first shown, so an untouched field keeps its exact value.
    QString shownTexts_[kMaxRows];
    QLabel* captions_[kMaxRows] = {};
    QLineEdit* edits_[kMaxRows] = {};
    QLabel* units_[kMaxRows] = {};
    QLabel* identifier_ = nullptr;
    int valueColumn_ = 0;
};

} // namespace korvanix::gui

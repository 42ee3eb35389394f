#pragma once

#include "document/SettingsRecords.h"
#include "gui/dialogs/CPropSheet.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace korvanix::gui {

// "Показать": what the sheet shows beside the symbols. A click writes the flag
// into the edited copy at once.
class CShowHidePropPage : public CPropertyPage {
    Q_OBJECT
public:
    explicit CShowHidePropPage(document::SchemeOptions* options, QWidget* parent = nullptr);
    QCheckBox* NamesBox() const { return names_; }
    QCheckBox* ValuesBox() const { return values_; }
    QCheckBox* NodesBox() const { return nodes_; }

private:
    QCheckBox* names_;
    QCheckBox* values_;
    QCheckBox* nodes_;
};

// "Шрифты": the three fonts and colours (0 identifiers, 1 parameters, 2 node
// numbers), each shown as "face, points" with "Изменить", and "&Сброс", which
// restores the default fonts and colours but not the show flags.
class CFontPropPage : public CPropertyPage {
    Q_OBJECT
public:
    explicit CFontPropPage(document::SchemeOptions* options, QWidget* parent = nullptr);
    QLabel* FontLabel(int which) const { return labels_[which]; }
    QPushButton* ChangeButton(int which) const { return changes_[which]; }
    QPushButton* ResetButton() const { return reset_; }

private:
    model::LogFont& FontOf(int which);
    uint32_t& ColourOf(int which);
    void Change(int which);
    void Refresh();

    document::SchemeOptions* options_;
    QLabel* labels_[3] = {};
    QPushButton* changes_[3] = {};
    QPushButton* reset_ = nullptr;
};

// "Установки схемы": the display settings of the scheme on a copy of the record.
// The caller compares Options() with the record after OK.
class CSchemeOptionsPropSheet : public CPropertySheet {
    Q_OBJECT
public:
    CSchemeOptionsPropSheet(const document::SchemeOptions& options, QWidget* parent = nullptr);
    const document::SchemeOptions& Options() const { return options_; }

    CShowHidePropPage* ShowPage() const { return showPage_; }
    CFontPropPage* FontPage() const { return fontPage_; }

private:
    document::SchemeOptions options_;
    CShowHidePropPage* showPage_;
    CFontPropPage* fontPage_;
};

} // namespace korvanix::gui

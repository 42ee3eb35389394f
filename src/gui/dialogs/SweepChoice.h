#pragma once

#include "document/SettingsRecords.h"
#include "model/Element.h"

#include <QObject>

#include <functional>

class QCheckBox;
class QPushButton;
class QWidget;

namespace korvanix::gui {

// The sweep of an analysis dialog: the box "&Параметр" that turns it on, the
// button "Параметр..." (usable only while the box is ticked) that opens the sweep
// dialog on a copy of the record, and the test OK makes of the chosen element.
class SweepChoice : public QObject {
    Q_OBJECT
public:
    // Edits the sweep record in place; false leaves it as it was (Cancel).
    using Editor = std::function<bool(document::SweepSettings& sweep, QWidget* parent)>;

    // `analysisKind` as the sweep dialog takes it. The element list must outlive
    // the dialog.
    SweepChoice(QWidget* dialog, const model::ElementList& elements, int analysisKind);

    QCheckBox* Box() const { return box_; }
    QPushButton* Button() const { return button_; }

    // The box as the record's flag has it.
    void Show(int32_t enabled);
    // Replaces the sweep dialog (tests).
    void SetEditor(Editor editor) { editor_ = std::move(editor); }
    // The button: the sweep dialog on `sweep`, which takes its result on OK.
    void Edit(document::SweepSettings& sweep);
    // OK: the flag into `enabled`; with the sweep on, the chosen element must be
    // one with parameters, else "Пожалуйста, выберите параметр.  " with the focus
    // on the button, and false.
    bool Store(int32_t& enabled, const document::SweepSettings& sweep);

private:
    QWidget* dialog_;
    const model::ElementList& elements_;
    QCheckBox* box_;
    QPushButton* button_;
    Editor editor_;
};

} // namespace korvanix::gui

#pragma once

#include "analysis/PoleZeroAnalysis.h"

#include <QRect>
#include <QString>
#include <QWidget>

#include <optional>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QTableWidget;
class QTabWidget;
class QToolBar;

namespace korvanix::gui {

class ActionRegistry;
class PoleZeroMap;

// Commands of the pole-zero window's toolbar.
namespace pzcmd {
enum : int {
    SavePicture = 150,
    CopyPicture = 151,
    Restore = 152,
    Hertz = 153,
    CopyTable = 154,
    CopyText = 155,
    CopyLatex = 156,
};
} // namespace pzcmd

// The results of the pole-zero analysis: the map of the chosen function's poles
// and zeros (of the natural frequencies, or a root locus over a sweep), the
// table of the roots with their figures, and H(s) as text, factored and
// expanded, with the step and impulse responses of low orders.
class PoleZeroWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Полюсы и нули";

    PoleZeroWindow(QWidget* parent, std::optional<QRect> rect);
    ~PoleZeroWindow() override;

    // The window open in the program, if any.
    static PoleZeroWindow* Find();

    void SetReport(analysis::PoleZeroReport report);
    const analysis::PoleZeroReport& Report() const { return report_; }

    ActionRegistry& Actions() { return *actions_; }
    PoleZeroMap* Map() const { return map_; }
    QTableWidget* Table() const { return table_; }
    QString Text() const;
    QString StatusText() const;
    // 0 is the natural frequencies, then the functions in the settings' order.
    int FunctionCount() const;
    void SelectFunction(int index);
    void SelectRun(int index);

    // The table as tab-separated lines (the selected rows, or all of them).
    QString TableText(bool selectedOnly) const;

private:
    void DefineCommands();
    void Refill();
    void FillTable(const analysis::PoleZeroRun& run);
    void FillText(const analysis::PoleZeroRun& run);
    void FillMap();
    const analysis::TransferResult* Function(const analysis::PoleZeroRun& run) const;
    void ShowStatus(const QString& text);

    analysis::PoleZeroReport report_;
    ActionRegistry* actions_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QComboBox* functions_ = nullptr;
    QComboBox* runs_ = nullptr;
    PoleZeroMap* map_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QTableWidget* table_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
    QLabel* status_ = nullptr;
    QString latex_;
};

} // namespace korvanix::gui

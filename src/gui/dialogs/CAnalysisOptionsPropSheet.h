#pragma once

#include "document/SettingsRecords.h"
#include "gui/dialogs/CPropSheet.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace korvanix::gui {

// "Переходный процесс": MAXITER, CHECKDEPTH, the automatic check depth and drawing
// during the computation. The fields are taken into the record only by Apply,
// after every page of the sheet passed.
//
// Object names: "maxIter", "checkDepth", "checkDepthLabel", "autoCheckDepth",
// "plotWhileRunning", "reset".
class CTransienOptionsPropPage : public CPropertyPage {
    Q_OBJECT
public:
    explicit CTransienOptionsPropPage(document::AnalysisOptions* options,
                                      QWidget* parent = nullptr);

    // MAXITER 10…120; CHECKDEPTH 1…10 unless the depth is found automatically.
    bool Validate() override;
    void Apply() override;

    QLineEdit* MaxIterEdit() const { return maxIter_; }
    QLineEdit* CheckDepthEdit() const { return checkDepth_; }
    QLabel* CheckDepthLabel() const { return checkDepthLabel_; }
    QCheckBox* AutoCheckDepthBox() const { return autoCheckDepth_; }
    QCheckBox* PlotWhileRunningBox() const { return plotWhileRunning_; }
    QPushButton* ResetButton() const { return reset_; }

private:
    void Show(const document::AnalysisOptions& options);
    void AutoCheckDepthToggled(bool on);

    document::AnalysisOptions* options_;
    QLineEdit* maxIter_;
    QLineEdit* checkDepth_;
    QLabel* checkDepthLabel_;
    QCheckBox* autoCheckDepth_;
    QCheckBox* plotWhileRunning_;
    QPushButton* reset_;
};

// "Установки анализа" with its page "Переходный процесс". Works on a copy of the
// record; Options() holds the result after OK. A page is checked when the user
// leaves it as well as on OK, and stays shown while it is wrong. The sheet opens
// on the page that was shown when one last closed.
class CAnalysisOptionsPropSheet : public CPropertySheet {
    Q_OBJECT
public:
    explicit CAnalysisOptionsPropSheet(const document::AnalysisOptions& options,
                                       QWidget* parent = nullptr);
    ~CAnalysisOptionsPropSheet() override;

    const document::AnalysisOptions& Options() const { return options_; }
    CTransienOptionsPropPage* TransientPage() const { return transientPage_; }

    // The page the next sheet opens on (tests).
    static int RememberedPage();
    static void SetRememberedPage(int page);

private:
    void PageChanged(int index);

    document::AnalysisOptions options_;
    CTransienOptionsPropPage* transientPage_;
    int shownPage_ = 0;
    // Set while the sheet itself moves between pages, which is not a user's leave.
    bool turning_ = false;
};

} // namespace korvanix::gui

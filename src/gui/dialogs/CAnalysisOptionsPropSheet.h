#pragma once

#include "document/SettingsRecords.h"

#include <QDialog>

namespace korvanix::gui {

// "Установки анализа" with its page "Переходный процесс": MAXITER, CHECKDEPTH,
// the automatic check depth and drawing during the computation. Works on a copy
// of the record; Options() holds the result after OK.
class CAnalysisOptionsPropSheet : public QDialog {
    Q_OBJECT
public:
    explicit CAnalysisOptionsPropSheet(const document::AnalysisOptions& options,
                                       QWidget* parent = nullptr);
    ~CAnalysisOptionsPropSheet() override;

    const document::AnalysisOptions& Options() const { return options_; }

private:
    document::AnalysisOptions options_;
    struct Widgets;
    Widgets* w_ = nullptr;
};

} // namespace korvanix::gui

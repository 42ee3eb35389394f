#pragma once

#include "document/SettingsRecords.h"

#include <QDialog>

namespace korvanix::gui {

// "Установки схемы": the display settings of the scheme on a copy of the record.
class CSchemeOptionsPropSheet : public QDialog {
    Q_OBJECT
public:
    CSchemeOptionsPropSheet(const document::SchemeOptions& options, QWidget* parent = nullptr);
    const document::SchemeOptions& Options() const { return options_; }

private:
    document::SchemeOptions options_;
};

} // namespace korvanix::gui

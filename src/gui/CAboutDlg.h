#pragma once

#include <QDialog>

namespace korvanix::gui {

// "О программе": the product name and version.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

} // namespace korvanix::gui

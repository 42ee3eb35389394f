#pragma once

#include <QDialog>

namespace korvanix::gui {

// The start-up banner: the product name, shown while the main window is built.
class CBannerDlg : public QDialog {
    Q_OBJECT
public:
    explicit CBannerDlg(QWidget* parent = nullptr);
};

} // namespace korvanix::gui

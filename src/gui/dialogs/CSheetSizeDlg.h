#pragma once

#include <QDialog>

namespace korvanix::gui {

// "Размеры листа": width and height of the sheet, each 1000 to 30000.
class CSheetSizeDlg : public QDialog {
    Q_OBJECT
public:
    CSheetSizeDlg(int width, int height, QWidget* parent = nullptr);
    int SheetWidth() const { return width_; }
    int SheetHeight() const { return height_; }

private:
    int width_;
    int height_;
};

} // namespace korvanix::gui

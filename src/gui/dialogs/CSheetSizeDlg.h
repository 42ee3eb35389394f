#pragma once

#include <QDialog>

class QLineEdit;

namespace korvanix::gui {

// "Размеры листа": width and height of the sheet, each 1000 to 30000.
class CSheetSizeDlg : public QDialog {
    Q_OBJECT
public:
    CSheetSizeDlg(int width, int height, QWidget* parent = nullptr);
    int SheetWidth() const { return width_; }
    int SheetHeight() const { return height_; }

    QLineEdit* WidthEdit() const { return widthEdit_; }
    QLineEdit* HeightEdit() const { return heightEdit_; }

    // Width first, then height: a value outside the range, or one that is not a
    // whole number, keeps the dialog open with that field selected.
    void accept() override;

private:
    int width_;
    int height_;
    QLineEdit* widthEdit_ = nullptr;
    QLineEdit* heightEdit_ = nullptr;
};

} // namespace korvanix::gui

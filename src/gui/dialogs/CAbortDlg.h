#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>

class QLabel;
class QPushButton;

namespace korvanix::gui {

// The progress window of a long piece of work (an analysis, a data export): two
// rows of a caption and a text ("Номер расчета :" with "2 из 10", "Выполнено :"
// with "35 %") and the button "Стоп". It is modeless and stays usable while the
// work keeps the main window disabled; closing it asks to stop as the button does.
class CAbortDlg : public QDialog {
    Q_OBJECT
public:
    // Centred on `centreOn` (the main window) and kept above it, but not its child
    // widget: a window of a disabled parent is disabled too, and Stop must answer.
    CAbortDlg(const QString& title, QWidget* centreOn);

    // Row 0: the run or the file name; row 1: the percentage. Other rows are
    // ignored (and read as empty) rather than taken for one of these.
    void SetRowCaption(int row, const QString& caption);
    void SetRowText(int row, const QString& text);
    QString RowCaption(int row) const;
    QString RowText(int row) const;

    bool StopRequested() const { return stopRequested_; }
    QPushButton* StopButton() const { return stop_; }

signals:
    // Once, at the first press of "Стоп" or attempt to close the window.
    void stopRequested();
    // A row's text was set (the work's progress, as the window shows it).
    void rowTextChanged(int row, const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void RequestStop();
    void CentreAndAttach();

    QPointer<QWidget> centreOn_;
    QLabel* captions_[2] = {};
    QLabel* texts_[2] = {};
    QPushButton* stop_ = nullptr;
    bool stopRequested_ = false;
};

} // namespace korvanix::gui

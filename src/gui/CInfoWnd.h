#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include <vector>

class QComboBox;

namespace korvanix::gui {

// The small floating window "Линейка" that lists what a pane's ruler reads: a
// caption row, one row per curve in the curve's colour, and with a sweep a combo
// box that chooses the run the ruler reads.
class CInfoWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMaxRows = 15;

    struct Row {
        QString text;
        QColor colour;
        bool chosen = false; // drawn in bold: the curve the user picked
    };

    // `owner` keeps the window above it; `slot` stacks the windows of several
    // panes one under the other.
    explicit CInfoWnd(QWidget* owner, int slot = 0);

    // At most kMaxRows rows are kept.
    void SetRows(const QString& caption, const std::vector<Row>& rows);
    const std::vector<Row>& Rows() const { return rows_; }
    const QString& Caption() const { return caption_; }

    // The swept values; the combo box shows only with more than one.
    void SetRuns(const QStringList& values, int selected);
    QComboBox* Runs() const { return runs_; }

signals:
    // The user chose another run in the combo box.
    void runChosen(int run);
    // The user closed the window.
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void UpdateHeight();

    QString caption_;
    std::vector<Row> rows_;
    QComboBox* runs_;
    QFont font_;
    QFont bold_;
    bool closing_ = false;
};

} // namespace korvanix::gui

#include "gui/CInfoWnd.h"

#include "gui/SchemeFonts.h"
#include "model/LogFont.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace korvanix::gui {
namespace {

constexpr int kWidth = 230;
constexpr int kTop = 90;
constexpr int kBottom = 250;
constexpr int kMargin = 4;

QFont RowFont() {
    model::LogFont record;
    record.height = 110;
    record.weight = 400;
    record.charSet = model::kRussianCharset;
    record.SetFace("DejaVu Sans");
    return FontFromLogFont(record);
}

} // namespace

CInfoWnd::CInfoWnd(QWidget* owner, int slot)
    : QWidget(owner, Qt::Tool), runs_(new QComboBox(this)), font_(RowFont()), bold_(font_) {
    bold_.setBold(true);
    setObjectName(QStringLiteral("INFOWND"));
    setWindowTitle(QString::fromUtf8("Линейка"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    runs_->setObjectName(QStringLiteral("runs"));
    runs_->hide();
    connect(runs_, qOverload<int>(&QComboBox::activated), this, &CInfoWnd::runChosen);

    const QScreen* screen =
        owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    const int height = kBottom - kTop;
    setGeometry(avail.right() - kWidth - 20, avail.top() + kTop + slot * (height + 30), kWidth,
                height);
}

void CInfoWnd::SetRows(const QString& caption, const std::vector<Row>& rows) {
    caption_ = caption;
    rows_.assign(rows.begin(), rows.begin() + std::min<std::size_t>(rows.size(), kMaxRows));
    UpdateHeight();
    update();
}

void CInfoWnd::SetRuns(const QStringList& values, int selected) {
    const bool changed = runs_->count() != values.size() || [&] {
        for (int i = 0; i < values.size(); ++i)
            if (runs_->itemText(i) != values.at(i))
                return true;
        return false;
    }();
    if (changed) {
        runs_->clear();
        runs_->addItems(values);
    }
    runs_->setCurrentIndex(
        std::clamp(selected, 0, std::max(0, static_cast<int>(values.size()) - 1)));
    runs_->setVisible(values.size() > 1);
    UpdateHeight();
    update();
}

void CInfoWnd::UpdateHeight() {
    const QFontMetrics m(font_);
    const int top = runs_->isHidden() ? 0 : runs_->sizeHint().height() + kMargin;
    runs_->setGeometry(kMargin, kMargin, width() - 2 * kMargin, runs_->sizeHint().height());
    const int lines = static_cast<int>(rows_.size()) + (caption_.isEmpty() ? 0 : 1);
    const int wanted = top + kMargin * 2 + lines * m.height();
    if (height() < wanted)
        resize(width(), wanted);
}

void CInfoWnd::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    p.setFont(font_);
    const QFontMetrics m(font_);
    int y = kMargin + (runs_->isHidden() ? 0 : runs_->height() + kMargin);
    const int width = this->width() - 2 * kMargin;
    auto line = [&](const QString& text, const QColor& colour, bool chosen) {
        p.setFont(chosen ? bold_ : font_);
        p.setPen(colour);
        p.drawText(QPoint(kMargin, y + m.ascent()), m.elidedText(text, Qt::ElideRight, width));
        y += m.height();
    };
    if (!caption_.isEmpty())
        line(caption_, Qt::white, false);
    for (const Row& r : rows_)
        line(r.text, r.colour, r.chosen);
}

void CInfoWnd::closeEvent(QCloseEvent* event) {
    event->accept();
    if (!closing_) {
        closing_ = true;
        emit closed();
        closing_ = false;
    }
}

} // namespace korvanix::gui

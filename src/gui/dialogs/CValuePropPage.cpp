#include "gui/dialogs/CValuePropPage.h"

#include "gui/Messages.h"
#include "model/ParamTable.h"
#include "model/UserValue.h"
#include "model/Value.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace korvanix::gui {

namespace value_field {

QString Text(double value) {
    return QString::fromStdString(model::FormatValue(value, 12, model::kLatin, false));
}

bool Read(const QLineEdit* edit, double& value, const QString& unit) {
    return model::ParseUserValue(edit->text().left(30).toStdString(), unit.toStdString(), value);
}

bool ReadKept(const QLineEdit* edit, double stored, double& value, const QString& unit) {
    if (edit->text() == Text(stored)) {
        value = stored;
        return true;
    }
    return Read(edit, value, unit);
}

void Report(QWidget* page, QLineEdit* edit, const QString& message) {
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    Messages().Warn(page, message);
}

QString NotANumber() {
    return QString::fromUtf8("Введите число, пожалуйста.");
}

QString CheckMessage(int check, const QString& caption, double value) {
    if (check == model::kGreaterThanZero && value <= 0)
        return QString::fromUtf8("Необходимо: %1 > 0  ").arg(caption);
    if (check == model::kNotZero && value == 0)
        return QString::fromUtf8("Необходимо: %1 <> 0  ").arg(caption);
    return {};
}

} // namespace value_field

namespace {
constexpr int kMargin = 10;
constexpr int kIdentifierTop = 10;
constexpr int kFirstRowTop = 40;
constexpr int kRowPitch = 28;
constexpr int kCaptionGap = 60; // from the widest caption to the value column
constexpr int kCaptionEnd = 5;  // a caption ends this far before the value column
constexpr int kEditWidth = 120;
constexpr int kUnitGap = 6;
constexpr int kUnitWidth = 50;
} // namespace

CValuePropPage::CValuePropPage(const QString& identifier, const std::vector<model::ParamRow>& rows,
                               QWidget* parent)
    : CPropertyPage(parent), rows_(rows) {
    const int shown = std::min<int>(static_cast<int>(rows_.size()), kMaxRows);
    const QFontMetrics metrics(font());
    int widest = 0;
    for (int i = 0; i < shown; ++i) {
        const QString caption = QString::fromStdString(rows_[i].caption) + QStringLiteral(":");
        widest = std::max(widest, metrics.horizontalAdvance(caption));
    }
    valueColumn_ = kMargin + widest + kCaptionGap;

    identifier_ = new QLabel(identifier, this);
    identifier_->setObjectName(QStringLiteral("identifier"));
    identifier_->move(valueColumn_, kIdentifierTop);
    identifier_->adjustSize();

    int bottom = kIdentifierTop + identifier_->height();
    for (int i = 0; i < kMaxRows; ++i) {
        const int top = kFirstRowTop + i * kRowPitch;
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("value%1").arg(i));
        edit->setGeometry(valueColumn_, top, kEditWidth, edit->sizeHint().height());
        auto* caption = new QLabel(this);
        caption->setObjectName(QStringLiteral("caption%1").arg(i));
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        caption->setGeometry(kMargin, top, valueColumn_ - kCaptionEnd - kMargin, edit->height());
        auto* unit = new QLabel(this);
        unit->setObjectName(QStringLiteral("unit%1").arg(i));
        unit->setGeometry(valueColumn_ + kEditWidth + kUnitGap, top, kUnitWidth, edit->height());
        captions_[i] = caption;
        edits_[i] = edit;
        units_[i] = unit;
        if (i >= shown) {
            caption->hide();
            edit->hide();
            unit->hide();
            continue;
        }
        const model::ParamRow& row = rows_[static_cast<std::size_t>(i)];
        caption->setText(QString::fromStdString(row.caption) + QStringLiteral(":"));
        shownTexts_[i] = value_field::Text(row.value);
        edit->setText(shownTexts_[i]);
        unit->setText(QString::fromStdString(row.unit));
        bottom = edit->geometry().bottom();
    }
    setMinimumSize(valueColumn_ + kEditWidth + kUnitGap + kUnitWidth + kMargin, bottom + kMargin);
}

bool CValuePropPage::Validate() {
    const int shown = std::min<int>(static_cast<int>(rows_.size()), kMaxRows);
    for (int i = 0; i < shown; ++i) {
        const model::ParamRow& row = rows_[static_cast<std::size_t>(i)];
        double value = 0;
        if (!value_field::Read(edits_[i], value, QString::fromStdString(row.unit))) {
            value_field::Report(this, edits_[i], value_field::NotANumber());
            return false;
        }
        const QString message =
            value_field::CheckMessage(row.check, QString::fromStdString(row.caption), value);
        if (!message.isEmpty()) {
            value_field::Report(this, edits_[i], message);
            return false;
        }
    }
    return true;
}

void CValuePropPage::Apply() {
    const int shown = std::min<int>(static_cast<int>(rows_.size()), kMaxRows);
    for (int i = 0; i < shown; ++i) {
        if (edits_[i]->text() == shownTexts_[i])
            continue;
        model::ParamRow& row = rows_[static_cast<std::size_t>(i)];
        double value = 0;
        if (value_field::Read(edits_[i], value, QString::fromStdString(row.unit)))
            row.value = value;
    }
}

} // namespace korvanix::gui

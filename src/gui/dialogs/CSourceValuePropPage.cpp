#include "gui/dialogs/CSourceValuePropPage.h"

#include "gui/dialogs/CValuePropPage.h"
#include "model/Value.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

namespace korvanix::gui {
namespace {

constexpr int kMargin = 10;
constexpr int kTop = 10;
constexpr int kFirstRowTop = 48;
constexpr int kRowPitch = 28;
constexpr int kCaptionGap = 60;
constexpr int kCaptionEnd = 5;
constexpr int kEditWidth = 120;
constexpr int kUnitGap = 6;
constexpr int kUnitWidth = 50;
constexpr int kEndBoxBelow = 34;  // from the top of the last row's edit
constexpr int kEndLineBelow = 54; // likewise
// Anything smaller is noise left by arithmetic, shown and kept as 0.
constexpr double kTiny = 1e-30;

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QString BoundText(double bound) {
    return QString::fromStdString(model::FormatNumber(bound, 6)); // printf's %g
}

} // namespace

CSourceValuePropPage::CSourceValuePropPage(const QString& identifier,
                                           const model::SourcePageData& source, QWidget* parent)
    : CPropertyPage(parent), data_(source) {
    modeBox_ = new QComboBox(this);
    modeBox_->setObjectName(QStringLiteral("mode"));
    modeBox_->addItem(U("Постоянный"), 1);
    modeBox_->addItem(U("Гармонический"), 2);
    if (data_.Voltage())
        modeBox_->addItem(U("Меандр"), 3);
    if (modeBox_->findData(data_.mode) < 0)
        data_.mode = 1;
    modeBox_->setCurrentIndex(modeBox_->findData(data_.mode));
    modeBox_->move(kMargin, kTop);
    modeBox_->adjustSize();

    // One value column for every mode, so the fields stay put while the mode changes.
    const QFontMetrics metrics(font());
    const QString endCaption = U("Время окончания") + QStringLiteral(":");
    int widest = metrics.horizontalAdvance(endCaption);
    for (int mode = 1; mode <= 3; ++mode)
        if (modeBox_->findData(mode) >= 0)
            for (const Row& row : RowsOf(mode))
                widest =
                    std::max(widest, metrics.horizontalAdvance(row.caption + QStringLiteral(":")));
    valueColumn_ =
        std::max(kMargin + widest + kCaptionGap, modeBox_->geometry().right() + kCaptionGap / 2);

    identifier_ = new QLabel(identifier, this);
    identifier_->setObjectName(QStringLiteral("identifier"));
    identifier_->move(valueColumn_, kTop + 4);
    identifier_->adjustSize();

    int editHeight = 0;
    for (int i = 0; i < kMaxRows; ++i) {
        const int top = kFirstRowTop + i * kRowPitch;
        edits_[i] = new QLineEdit(this);
        edits_[i]->setObjectName(QStringLiteral("value%1").arg(i));
        editHeight = edits_[i]->sizeHint().height();
        edits_[i]->setGeometry(valueColumn_, top, kEditWidth, editHeight);
        captions_[i] = new QLabel(this);
        captions_[i]->setObjectName(QStringLiteral("caption%1").arg(i));
        captions_[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        captions_[i]->setGeometry(kMargin, top, valueColumn_ - kCaptionEnd - kMargin, editHeight);
        units_[i] = new QLabel(this);
        units_[i]->setObjectName(QStringLiteral("unit%1").arg(i));
        units_[i]->setGeometry(valueColumn_ + kEditWidth + kUnitGap, top, kUnitWidth, editHeight);
    }
    endTimeBox_ = new QCheckBox(U("Радиоимпульс"), this);
    endTimeBox_->setObjectName(QStringLiteral("endTime"));
    endMomentCaption_ = new QLabel(endCaption, this);
    endMomentCaption_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    endMomentEdit_ = new QLineEdit(this);
    endMomentEdit_->setObjectName(QStringLiteral("endMoment"));
    endMomentUnit_ = new QLabel(U("с"), this);
    endTimeBox_->setChecked(data_.endTime);
    shownEndMoment_ = value_field::Text(data_.endMoment);
    endMomentEdit_->setText(shownEndMoment_);
    endMomentEdit_->setEnabled(data_.endTime);
    connect(endTimeBox_, &QCheckBox::toggled, endMomentEdit_, &QLineEdit::setEnabled);

    const int lastRowTop = kFirstRowTop + (kMaxRows - 1) * kRowPitch;
    setMinimumSize(valueColumn_ + kEditWidth + kUnitGap + kUnitWidth + kMargin,
                   std::max(lastRowTop + editHeight,
                            kFirstRowTop + 2 * kRowPitch + kEndLineBelow + editHeight) +
                       kMargin);

    ShowMode();
    connect(modeBox_, &QComboBox::currentIndexChanged, this, &CSourceValuePropPage::OnModeChosen);
}

std::vector<CSourceValuePropPage::Row> CSourceValuePropPage::RowsOf(int mode) {
    const bool voltage = data_.Voltage();
    switch (mode) {
    case 1:
        return {voltage ? Row{&data_.dcValue, 0, 0, 0, U("Напряжение (U0)"), U("В")}
                        : Row{&data_.dcValue, 0, 0, 0, U("Ток (I0)"), U("А")}};
    case 2:
        return {voltage ? Row{&data_.acAmplitude, kPositive, 0, 0, U("Амплитуда (U0)"), U("В")}
                        : Row{&data_.acAmplitude, kPositive, 0, 0, U("Амплитуда (I0)"), U("А")},
                Row{&data_.acFrequency, kPositive, 0, 0, U("Частота (f)"), U("Гц")},
                Row{&data_.acPhase, 0, 0, 0, U("Начальная фаза (phi0)"), U("град")}};
    case 3:
        return {
            Row{&data_.pulseFrequency, kPositive, 0, 0, U("Частота (f)"), U("Гц")},
            Row{&data_.pulseDuration, kBelowUpper | kAboveLower, 0, 100, U("Длительность"), U("%")},
            Row{&data_.pulseAmplitude, 0, 0, 0, U("Напряжение (U0)"), U("В")},
            Row{&data_.pulseOffset, 0, 0, 0, U("Смещение"), U("В")}};
    default:
        return {};
    }
}

void CSourceValuePropPage::ShowMode() {
    rows_ = RowsOf(data_.mode);
    const int count = static_cast<int>(rows_.size());
    for (int i = 0; i < kMaxRows; ++i) {
        const bool used = i < count;
        captions_[i]->setVisible(used);
        edits_[i]->setVisible(used);
        units_[i]->setVisible(used);
        if (!used)
            continue;
        Row& row = rows_[static_cast<std::size_t>(i)];
        if (std::fabs(*row.value) < kTiny)
            *row.value = 0;
        captions_[i]->setText(row.caption + QStringLiteral(":"));
        shownTexts_[i] = value_field::Text(*row.value);
        edits_[i]->setText(shownTexts_[i]);
        units_[i]->setText(row.unit);
    }
    const bool block = HasEndBlock();
    endTimeBox_->setVisible(block);
    endMomentCaption_->setVisible(block);
    endMomentEdit_->setVisible(block);
    endMomentUnit_->setVisible(block);
    if (block && count > 0) {
        const int lastTop = edits_[count - 1]->y();
        const int h = edits_[0]->height();
        endTimeBox_->move(valueColumn_, lastTop + kEndBoxBelow);
        endTimeBox_->adjustSize();
        endMomentCaption_->setGeometry(kMargin, lastTop + kEndLineBelow,
                                       valueColumn_ - kCaptionEnd - kMargin, h);
        endMomentEdit_->setGeometry(valueColumn_, lastTop + kEndLineBelow, kEditWidth, h);
        endMomentUnit_->setGeometry(valueColumn_ + kEditWidth + kUnitGap, lastTop + kEndLineBelow,
                                    kUnitWidth, h);
    }
}

bool CSourceValuePropPage::Validate() {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const Row& row = rows_[i];
        QLineEdit* edit = edits_[i];
        double value = 0;
        if (!value_field::Read(edit, value, row.unit)) {
            value_field::Report(this, edit, value_field::NotANumber());
            return false;
        }
        // The later checks of a row overrule the earlier ones.
        QString message;
        if ((row.check & kPositive) && value <= 0)
            message = U("Необходимо: %1 > 0  ").arg(row.caption);
        if ((row.check & kNonZero) && value == 0)
            message = U("Необходимо: %1 <> 0  ").arg(row.caption);
        if ((row.check & kBelowUpper) && value >= row.upper)
            message = U("Необходимо: %1 < %2  ").arg(row.caption, BoundText(row.upper));
        if ((row.check & kAboveLower) && value <= row.lower)
            message = U("Необходимо: %1 > %2  ").arg(row.caption, BoundText(row.lower));
        if (!message.isEmpty()) {
            value_field::Report(this, edit, message);
            return false;
        }
    }
    if (HasEndBlock()) {
        double moment = 0;
        if (!value_field::Read(endMomentEdit_, moment, endMomentUnit_->text())) {
            value_field::Report(this, endMomentEdit_, value_field::NotANumber());
            return false;
        }
    }
    return true;
}

void CSourceValuePropPage::StoreShown() {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (edits_[i]->text() == shownTexts_[i])
            continue; // untouched: keep the exact stored value
        double value = 0;
        if (value_field::Read(edits_[i], value, rows_[i].unit))
            *rows_[i].value = value;
    }
    if (HasEndBlock()) {
        data_.endTime = endTimeBox_->isChecked();
        double moment = 0;
        if (endMomentEdit_->text() != shownEndMoment_ &&
            value_field::Read(endMomentEdit_, moment, endMomentUnit_->text())) {
            data_.endMoment = moment;
            shownEndMoment_ = endMomentEdit_->text();
        }
    }
}

void CSourceValuePropPage::Apply() {
    StoreShown();
}

void CSourceValuePropPage::OnModeChosen(int index) {
    const int mode = modeBox_->itemData(index).toInt();
    if (mode == data_.mode)
        return;
    if (!Validate()) {
        const QSignalBlocker quiet(modeBox_);
        modeBox_->setCurrentIndex(modeBox_->findData(data_.mode));
        return;
    }
    StoreShown();
    data_.mode = mode;
    ShowMode();
}

} // namespace korvanix::gui

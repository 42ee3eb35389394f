#include "gui/dialogs/CParamSweepDlg.h"

#include "analysis/OutputChoices.h"
#include "analysis/Sweep.h"
#include "gui/Messages.h"
#include "gui/dialogs/CValuePropPage.h"
#include "gui/dialogs/DialogButtons.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace korvanix::gui {
namespace {

constexpr int kHelpTopic = 200;

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The frequency analysis works with the ratio of an output to one input, which
// no source amplitude changes, so its sweep does not offer the sources (of the
// older kinds that documents still hold either).
bool Sweepable(const model::Element& element, int analysisKind) {
    if (element.ParamCount() <= 0)
        return false;
    if (analysisKind == CParamSweepDlg::kFrequency &&
        (model::IsVoltageSource(element.kind) || model::IsCurrentSource(element.kind)))
        return false;
    return true;
}

QLabel* UnitLabel(QWidget* parent, const char* objectName) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setMinimumWidth(40);
    return label;
}

// A field still showing the value it opened with gives back that value, not its
// 12-digit reading: opening the dialog and pressing OK changes no byte of the record.
double Kept(const QLineEdit* edit, double stored, double read) {
    return edit->text() == value_field::Text(stored) ? stored : read;
}

} // namespace

struct CParamSweepDlg::Widgets {
    QComboBox* element = nullptr;
    QComboBox* parameter = nullptr;
    QLineEdit* start = nullptr;
    QLineEdit* end = nullptr;
    QLabel* startUnit = nullptr;
    QLabel* endUnit = nullptr;
    QLineEdit* count = nullptr;
    QComboBox* method = nullptr;
};

CParamSweepDlg::CParamSweepDlg(const model::ElementList& elements, int analysisKind,
                               const document::SweepSettings& sweep, QWidget* parent)
    : QDialog(parent), sweep_(sweep), elements_(&elements), w_(std::make_unique<Widgets>()) {
    setObjectName(QStringLiteral("PARAMSWEEPDLG"));
    setWindowTitle(U("Изменение параметра"));

    w_->element = Named<QComboBox>(this, "element");
    w_->parameter = Named<QComboBox>(this, "parameter");
    w_->start = Named<QLineEdit>(this, "startValue");
    w_->end = Named<QLineEdit>(this, "endValue");
    w_->startUnit = UnitLabel(this, "startUnit");
    w_->endUnit = UnitLabel(this, "endUnit");
    w_->count = Named<QLineEdit>(this, "count");
    w_->method = Named<QComboBox>(this, "method");

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(U("Элемент :"), this), 0, 0);
    grid->addWidget(w_->element, 0, 1, 1, 2);
    grid->addWidget(new QLabel(U("Параметр :"), this), 1, 0);
    grid->addWidget(w_->parameter, 1, 1, 1, 2);
    grid->addWidget(new QLabel(U("Начальное значение :"), this), 2, 0);
    grid->addWidget(w_->start, 2, 1);
    grid->addWidget(w_->startUnit, 2, 2);
    grid->addWidget(new QLabel(U("Конечное значение :"), this), 3, 0);
    grid->addWidget(w_->end, 3, 1);
    grid->addWidget(w_->endUnit, 3, 2);
    grid->addWidget(new QLabel(U("Число графиков :"), this), 4, 0);
    grid->addWidget(w_->count, 4, 1);
    grid->addWidget(new QLabel(U("Способ изменения :"), this), 5, 0);
    grid->addWidget(w_->method, 5, 1);
    grid->setColumnStretch(1, 1);

    QDialogButtonBox* buttons = OkCancelButtons(this);
    AddHelpButton(buttons, kHelpTopic);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addWidget(buttons);

    // Each entry keeps its element's place in the list, which outlives the dialog.
    std::vector<std::pair<std::string, int>> offered;
    for (int i = 0; i < static_cast<int>(elements.size()); ++i)
        if (elements[i] && Sweepable(*elements[i], analysisKind))
            offered.emplace_back(elements[i]->Name(), i);
    std::stable_sort(offered.begin(), offered.end(), [](const auto& a, const auto& b) {
        return analysis::NaturalLess(a.first, b.first);
    });
    for (const auto& [name, at] : offered)
        w_->element->addItem(QString::fromStdString(name), at);
    const int stored = w_->element->findText(QString::fromStdString(sweep_.ElementName()));
    w_->element->setCurrentIndex(stored >= 0 ? stored : 0);

    w_->start->setText(value_field::Text(sweep_.startValue));
    w_->end->setText(value_field::Text(sweep_.endValue));
    w_->count->setText(QString::number(sweep_.graphCount));
    w_->method->addItem(U("Линейный"));
    w_->method->addItem(U("Логарифмич."));
    w_->method->setCurrentIndex(sweep_.method == document::SweepSettings::Logarithmic ? 1 : 0);

    ElementChanged();
    userChanges_ = true;
    connect(w_->element, &QComboBox::currentIndexChanged, this, &CParamSweepDlg::ElementChanged);
    connect(w_->parameter, &QComboBox::currentIndexChanged, this,
            &CParamSweepDlg::ParameterChanged);
}

CParamSweepDlg::~CParamSweepDlg() = default;

const model::Element* CParamSweepDlg::ChosenElement() const {
    const QVariant at = w_->element->currentData();
    return at.isValid() ? (*elements_)[at.toInt()].get() : nullptr;
}

void CParamSweepDlg::ElementChanged() {
    const model::Element* element = ChosenElement();
    const int count = element ? element->ParamCount() : 0;
    {
        // Refilling passes through other selections; only the final one counts.
        const QSignalBlocker blocker(w_->parameter);
        w_->parameter->clear();
        for (int j = 0; j < count; ++j)
            w_->parameter->addItem(QString::fromStdString(element->ParamCaption(j)));
        int index = userChanges_ ? 0 : sweep_.paramIndex;
        if (index < 0 || index >= count)
            index = 0;
        w_->parameter->setCurrentIndex(count > 0 ? index : -1);
    }
    ParameterChanged();
}

void CParamSweepDlg::ParameterChanged() {
    const model::Element* element = ChosenElement();
    const int index = w_->parameter->currentIndex();
    const bool valid = element && index >= 0 && index < element->ParamCount();
    const QString unit = valid ? QString::fromStdString(element->ParamUnit(index)) : QString();
    w_->startUnit->setText(unit);
    w_->endUnit->setText(unit);
    if (userChanges_ && valid) {
        // A range around the present value is the usual start: both ends show it.
        const QString present = value_field::Text(element->GetParam(index));
        w_->start->setText(present);
        w_->end->setText(present);
    }
}

void CParamSweepDlg::accept() {
    analysis::SweepDialogInput input;
    input.elementName = w_->element->currentText().toStdString();
    input.paramIndex = std::max(0, w_->parameter->currentIndex());
    input.startText = w_->start->text().toStdString();
    input.endText = w_->end->text().toStdString();
    input.unit = w_->startUnit->text().toStdString();
    input.countText = w_->count->text().toStdString();
    input.method = w_->method->currentIndex() == 1 ? document::SweepSettings::Logarithmic
                                                   : document::SweepSettings::Linear;

    // The check writes the choice before it looks at the method; a copy keeps a
    // rejected OK from touching the record.
    document::SweepSettings result = sweep_;
    const analysis::SweepCheck check = analysis::ValidateSweepDialog(input, result);
    if (!check.Ok()) {
        const QString message = QString::fromStdString(check.message);
        switch (check.field) {
        case analysis::SweepField::Start:
            value_field::Report(this, w_->start, message);
            break;
        case analysis::SweepField::End:
            value_field::Report(this, w_->end, message);
            break;
        case analysis::SweepField::Count:
            value_field::Report(this, w_->count, message);
            break;
        default:
            w_->method->setFocus(Qt::OtherFocusReason);
            Messages().Warn(this, message);
            break;
        }
        return;
    }
    result.startValue = Kept(w_->start, sweep_.startValue, result.startValue);
    result.endValue = Kept(w_->end, sweep_.endValue, result.endValue);
    sweep_ = result;
    QDialog::accept();
}

} // namespace korvanix::gui

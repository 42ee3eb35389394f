#include "gui/dialogs/CFreqDlg.h"

#include "analysis/DocumentAnalysis.h"
#include "gui/dialogs/CParamSweepDlg.h"
#include "gui/dialogs/CValuePropPage.h"
#include "gui/dialogs/DialogButtons.h"
#include "gui/dialogs/OutputListsPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <climits>
#include <string>

namespace korvanix::gui {
namespace {

constexpr int kHelpTopic = 190;
constexpr int32_t kLinear = 1;

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

struct ScaleName {
    int32_t kind;
    const char* text;
};
const ScaleName kScales[] = {{1, "Линейный"}, {2, "Логарифмич."}, {4, "Децибелы"}};

// The scales an axis allows, in their fixed order. A mask that allows none (a
// damaged document) still offers the linear scale: OK needs one to store.
void FillScales(QComboBox* box, int32_t mask, int32_t current) {
    box->clear();
    for (const ScaleName& s : kScales)
        if ((mask & s.kind) != 0 || (s.kind == kLinear && (mask & 7) == 0))
            box->addItem(U(s.text), s.kind);
    const int at = box->findData(current);
    box->setCurrentIndex(at >= 0 ? at : 0);
}

int32_t ChosenScale(const QComboBox* box) {
    const QVariant kind = box->currentData();
    return kind.isValid() ? kind.toInt() : kLinear;
}

// The whole text as a signed integer; anything else counts as 0.
// Anything unreadable is 0; a number beyond the 32-bit range keeps its sign at
// the range's end, so that it is refused as too large, not as unreadable.
int ReadInteger(const QLineEdit* edit) {
    bool ok = false;
    const QString text = edit->text().trimmed();
    const int value = text.toInt(&ok);
    if (ok)
        return value;
    const bool digits =
        !text.isEmpty() && text.mid(text.startsWith('-') || text.startsWith('+'))
                                   .toStdString()
                                   .find_first_not_of("0123456789") == std::string::npos;
    if (!digits || text.size() < 2)
        return 0;
    return text.startsWith('-') ? INT_MIN : INT_MAX;
}

} // namespace

struct CFreqDlg::Widgets {
    QLineEdit* start = nullptr;
    QLineEdit* end = nullptr;
    QLineEdit* points = nullptr;
    QComboBox* frequencyScale = nullptr;
    QComboBox* yScale = nullptr;
    QLabel* yScaleLabel = nullptr;
    QComboBox* input = nullptr;
    QComboBox* quantity = nullptr;
    OutputListsPanel* outputs = nullptr;
    QCheckBox* phase = nullptr;
    QCheckBox* hodograph = nullptr;
    SweepChoice* sweep = nullptr;
};

CFreqDlg::CFreqDlg(const document::FrequencySettings& settings,
                   std::vector<analysis::OfferedOutput> offered, const model::ElementList& elements,
                   QWidget* parent)
    : QDialog(parent), settings_(settings), work_(settings), elements_(&elements),
      w_(std::make_unique<Widgets>()) {
    setObjectName(QStringLiteral("ACFREQDLG"));
    setWindowTitle(U("АЧХ/ФЧХ"));

    // The grid and the scales.
    w_->start = Named<QLineEdit>(this, "startFrequency");
    w_->end = Named<QLineEdit>(this, "endFrequency");
    w_->points = Named<QLineEdit>(this, "points");
    w_->frequencyScale = Named<QComboBox>(this, "frequencyScale");
    w_->yScale = Named<QComboBox>(this, "yScale");
    w_->yScaleLabel = new QLabel(U("Масштаб по оси OY :"), this);
    w_->yScaleLabel->setObjectName(QStringLiteral("yScaleLabel"));
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(U("Начальная частота :"), this), 0, 0);
    grid->addWidget(w_->start, 0, 1);
    grid->addWidget(new QLabel(U("Конечная частота :"), this), 1, 0);
    grid->addWidget(w_->end, 1, 1);
    grid->addWidget(new QLabel(U("Число точек :"), this), 2, 0);
    grid->addWidget(w_->points, 2, 1);
    grid->setColumnMinimumWidth(2, 20);
    grid->addWidget(new QLabel(U("Масштаб по частоте :"), this), 0, 3);
    grid->addWidget(w_->frequencyScale, 0, 4);
    grid->addWidget(w_->yScaleLabel, 1, 3);
    grid->addWidget(w_->yScale, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(4, 1);

    // The input quantity.
    auto* inputGroup = new QGroupBox(U("Вход"), this);
    w_->input = Named<QComboBox>(inputGroup, "inputElement");
    w_->quantity = Named<QComboBox>(inputGroup, "inputQuantity");
    auto* inputRow = new QHBoxLayout(inputGroup);
    inputRow->addWidget(new QLabel(U("Элемент"), inputGroup));
    inputRow->addWidget(w_->input, 1);
    inputRow->addSpacing(20);
    inputRow->addWidget(new QLabel(U("Величина"), inputGroup));
    inputRow->addWidget(w_->quantity, 1);

    w_->outputs = new OutputListsPanel(std::move(offered), this);
    for (const analysis::OfferedOutput& o : w_->outputs->Offered())
        w_->input->addItem(QString::fromStdString(o.name));

    w_->phase = new QCheckBox(U("&ФЧХ"), this);
    w_->phase->setObjectName(QStringLiteral("phase"));
    w_->hodograph = new QCheckBox(U("&Годограф"), this);
    w_->hodograph->setObjectName(QStringLiteral("hodograph"));
    w_->sweep = new SweepChoice(this, elements, CParamSweepDlg::kFrequency);
    auto* options = new QHBoxLayout;
    options->addWidget(w_->phase);
    options->addWidget(w_->hodograph);
    options->addSpacing(20);
    options->addWidget(w_->sweep->Box());
    options->addWidget(w_->sweep->Button());
    options->addStretch(1);

    QDialogButtonBox* buttons = OkCancelButtons(this);
    AddHelpButton(buttons, kHelpTopic);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(inputGroup);
    layout->addWidget(w_->outputs, 1);
    layout->addLayout(options);
    layout->addWidget(buttons);

    // Filled before the notifications are connected: nothing here is an edit.
    w_->start->setText(value_field::Text(work_.startFrequency));
    w_->end->setText(value_field::Text(work_.endFrequency));
    w_->points->setText(QString::number(work_.pointCount));
    FillScales(w_->frequencyScale, work_.frequencyScalesAllowed, work_.frequencyScale);
    FillScales(w_->yScale, work_.yScalesAllowed, work_.yScale);
    const int input = w_->input->findText(QString::fromStdString(work_.InputElement()));
    w_->input->setCurrentIndex(input >= 0 ? input : 0);
    FillQuantities(work_.inputQuantity);
    w_->outputs->ShowStored(work_);
    w_->phase->setChecked(work_.phase != 0);
    w_->sweep->Show(work_.sweepEnabled);
    if (work_.hodograph != 0) {
        w_->hodograph->setChecked(true);
        HodographToggled(true);
    }

    connect(w_->input, &QComboBox::currentIndexChanged, this, &CFreqDlg::InputChanged);
    connect(w_->hodograph, &QCheckBox::toggled, this, &CFreqDlg::HodographToggled);
    connect(w_->sweep->Button(), &QPushButton::clicked, this,
            [this] { w_->sweep->Edit(work_.sweep); });
}

CFreqDlg::~CFreqDlg() = default;

void CFreqDlg::FillQuantities(int32_t selected) {
    w_->quantity->clear();
    const int flags = w_->outputs->FlagsOf(w_->input->currentText().toStdString());
    if ((flags & analysis::OfferedOutput::Voltage) != 0)
        w_->quantity->addItem(U("Напряжение"), document::FrequencySettings::InputVoltage);
    if ((flags & analysis::OfferedOutput::Current) != 0)
        w_->quantity->addItem(U("Ток"), document::FrequencySettings::InputCurrent);
    const int at = w_->quantity->findData(selected);
    w_->quantity->setCurrentIndex(at >= 0 ? at : 0);
}

void CFreqDlg::InputChanged() {
    FillQuantities(0);
}

void CFreqDlg::HodographToggled(bool on) {
    if (on) {
        phaseBeforeHodograph_ = w_->phase->isChecked();
        yScaleBeforeHodograph_ = ChosenScale(w_->yScale);
        w_->phase->setChecked(false);
        // A hodograph is drawn on linear axes whatever the mask allows.
        w_->yScale->clear();
        w_->yScale->addItem(U("Линейный"), kLinear);
    } else {
        FillScales(w_->yScale, work_.yScalesAllowed, yScaleBeforeHodograph_);
        w_->phase->setChecked(phaseBeforeHodograph_);
    }
    w_->phase->setEnabled(!on);
    w_->yScale->setEnabled(!on);
    w_->yScaleLabel->setEnabled(!on);
}

void CFreqDlg::SetSweepEditor(SweepEditor editor) {
    w_->sweep->SetEditor(std::move(editor));
}

void CFreqDlg::accept() {
    const QString notANumber = value_field::NotANumber();
    double start = 0;
    if (!value_field::ReadKept(w_->start, work_.startFrequency, start)) {
        value_field::Report(this, w_->start, notANumber);
        return;
    }
    if (start <= 0) {
        value_field::Report(this, w_->start, U("Начальная частота должна быть больше 0.  "));
        return;
    }
    double end = 0;
    if (!value_field::ReadKept(w_->end, work_.endFrequency, end)) {
        value_field::Report(this, w_->end, notANumber);
        return;
    }
    if (end <= start) {
        value_field::Report(this, w_->end, U("Конечная частота должна быть больше начальной.  "));
        return;
    }
    const int points = ReadInteger(w_->points);
    if (points <= 1) {
        value_field::Report(this, w_->points, U("Число точек должно быть больше 1 !"));
        return;
    }
    // The analysis computes no more points than this: a larger count would be
    // cut down without a word.
    if (points > analysis::kMaxFrequencyPoints) {
        value_field::Report(this, w_->points, U("Число точек не может быть больше 1000000 !"));
        return;
    }

    document::FrequencySettings result = work_;
    result.startFrequency = start;
    result.endFrequency = end;
    result.pointCount = points;
    result.frequencyScale = ChosenScale(w_->frequencyScale);
    result.yScale = ChosenScale(w_->yScale);
    result.SetInputElement(w_->input->currentText().toStdString());
    if (w_->quantity->count() > 0)
        result.inputQuantity = w_->quantity->currentData().toInt();
    w_->outputs->Store(result);
    result.hodograph = w_->hodograph->isChecked() ? 1 : 0;
    result.phase = result.hodograph == 0 && w_->phase->isChecked() ? 1 : 0;
    if (!w_->sweep->Store(result.sweepEnabled, result.sweep))
        return;
    settings_ = result;
    QDialog::accept();
}

} // namespace korvanix::gui

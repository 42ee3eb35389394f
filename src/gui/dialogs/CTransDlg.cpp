#include "gui/dialogs/CTransDlg.h"

#include "analysis/IntervalParts.h"
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
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace korvanix::gui {
namespace {

constexpr int kHelpTopic = 120;

// Lives as long as the program: each dialog opens on the part the last OK left.
int rememberedPart = 0;

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

} // namespace

struct CTransDlg::Widgets {
    QListWidget* parts = nullptr;
    QPushButton* add = nullptr;
    QPushButton* remove = nullptr;
    QGroupBox* group = nullptr;
    QLineEdit* start = nullptr;
    QLineEdit* end = nullptr;
    QRadioButton* byPoints = nullptr;
    QRadioButton* byStep = nullptr;
    QLineEdit* points = nullptr;
    QLineEdit* step = nullptr;
    QLineEdit* eps = nullptr;
    QComboBox* graphType = nullptr;
    OutputListsPanel* outputs = nullptr;
    QCheckBox* energy = nullptr;
    SweepChoice* sweep = nullptr;
};

int CTransDlg::RememberedPart() {
    return rememberedPart;
}

void CTransDlg::SetRememberedPart(int index) {
    rememberedPart = index;
}

CTransDlg::CTransDlg(const document::TransientSettings& settings,
                     std::vector<analysis::OfferedOutput> offered,
                     const model::ElementList& elements, QWidget* parent)
    : QDialog(parent), settings_(settings), work_(settings), elements_(&elements),
      w_(std::make_unique<Widgets>()) {
    setObjectName(QStringLiteral("TRANSDLG"));
    setWindowTitle(U("Переходный процесс"));
    work_.partCount = analysis::PartCount(work_);

    // The part list and its buttons.
    w_->parts = new QListWidget(this);
    w_->parts->setObjectName(QStringLiteral("parts"));
    w_->parts->setSelectionMode(QAbstractItemView::SingleSelection);
    w_->parts->setMaximumWidth(70);
    w_->add = new QPushButton(U("Добавить"), this);
    w_->add->setObjectName(QStringLiteral("addPart"));
    w_->remove = new QPushButton(U("Удалить"), this);
    w_->remove->setObjectName(QStringLiteral("deletePart"));
    auto* partColumn = new QVBoxLayout;
    partColumn->addWidget(new QLabel(U("Части :"), this));
    partColumn->addWidget(w_->parts, 1);
    partColumn->addWidget(w_->add);
    partColumn->addWidget(w_->remove);

    // The fields of the part on show.
    w_->group = new QGroupBox(this);
    w_->group->setObjectName(QStringLiteral("partGroup"));
    w_->start = Named<QLineEdit>(w_->group, "startTime");
    w_->end = Named<QLineEdit>(w_->group, "endTime");
    w_->byPoints = new QRadioButton(U("Число точек :"), w_->group);
    w_->byPoints->setObjectName(QStringLiteral("byPoints"));
    w_->byStep = new QRadioButton(U("Шаг :"), w_->group);
    w_->byStep->setObjectName(QStringLiteral("byStep"));
    w_->points = Named<QLineEdit>(w_->group, "points");
    w_->step = Named<QLineEdit>(w_->group, "step");
    w_->eps = Named<QLineEdit>(w_->group, "eps");
    w_->graphType = new QComboBox(w_->group);
    w_->graphType->setObjectName(QStringLiteral("graphType"));
    w_->graphType->addItem(U("Непрерывный"));
    w_->graphType->addItem(U("Точки"));
    auto* fields = new QGridLayout(w_->group);
    fields->addWidget(new QLabel(U("Начальное время"), w_->group), 0, 0);
    fields->addWidget(w_->start, 0, 1);
    fields->addWidget(new QLabel(U("Конечное время"), w_->group), 1, 0);
    fields->addWidget(w_->end, 1, 1);
    fields->addWidget(w_->byPoints, 2, 0);
    fields->addWidget(w_->points, 2, 1);
    fields->addWidget(w_->byStep, 3, 0);
    fields->addWidget(w_->step, 3, 1);
    fields->addWidget(new QLabel(U("Погрешность (EPS)"), w_->group), 4, 0);
    fields->addWidget(w_->eps, 4, 1);
    fields->addWidget(new QLabel(U("Вид графика :"), w_->group), 5, 0);
    fields->addWidget(w_->graphType, 5, 1);
    fields->setColumnStretch(1, 1);

    auto* top = new QHBoxLayout;
    top->addLayout(partColumn);
    top->addWidget(w_->group, 1);

    w_->outputs = new OutputListsPanel(std::move(offered), this);

    w_->energy = new QCheckBox(U("График &энергии"), this);
    w_->energy->setObjectName(QStringLiteral("energy"));
    w_->sweep = new SweepChoice(this, elements, CParamSweepDlg::kTransient);
    auto* options = new QHBoxLayout;
    options->addWidget(w_->energy);
    options->addSpacing(20);
    options->addWidget(w_->sweep->Box());
    options->addWidget(w_->sweep->Button());
    options->addStretch(1);

    QDialogButtonBox* buttons = OkCancelButtons(this);
    AddHelpButton(buttons, kHelpTopic);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(w_->outputs, 1);
    layout->addLayout(options);
    layout->addWidget(buttons);

    // Filled before the notifications are connected: nothing here is an edit.
    RebuildPartList();
    const int count = work_.partCount;
    ShowPart(rememberedPart >= 0 && rememberedPart < count ? rememberedPart : 0);
    w_->outputs->ShowStored(work_);
    w_->energy->setChecked(work_.energyGraph != 0);
    w_->sweep->Show(work_.sweepEnabled);

    connect(w_->parts, &QListWidget::currentRowChanged, this, &CTransDlg::PartRowChanged);
    connect(w_->add, &QPushButton::clicked, this, &CTransDlg::AddPart);
    connect(w_->remove, &QPushButton::clicked, this, &CTransDlg::DeletePart);
    connect(w_->byPoints, &QRadioButton::toggled, this, &CTransDlg::ModeChanged);
    for (QLineEdit* edit : {w_->start, w_->end, w_->points, w_->step})
        connect(edit, &QLineEdit::textChanged, this, &CTransDlg::Recompute);
    connect(w_->sweep->Button(), &QPushButton::clicked, this,
            [this] { w_->sweep->Edit(work_.sweep); });
}

CTransDlg::~CTransDlg() = default;

void CTransDlg::RebuildPartList() {
    const bool wasQuiet = quiet_;
    quiet_ = true;
    w_->parts->clear();
    for (int i = 1; i <= work_.partCount; ++i)
        w_->parts->addItem(QString::number(i));
    w_->add->setEnabled(work_.partCount < document::kMaxIntervalParts);
    w_->remove->setEnabled(work_.partCount > 1);
    quiet_ = wasQuiet;
}

void CTransDlg::SelectPartRow(int row) {
    const bool wasQuiet = quiet_;
    quiet_ = true;
    w_->parts->setCurrentRow(row);
    quiet_ = wasQuiet;
}

void CTransDlg::ShowPart(int index) {
    const bool wasQuiet = quiet_;
    quiet_ = true;
    shown_ = index;
    SelectPartRow(index);
    const document::IntervalPart& part = work_.parts[index];
    w_->group->setTitle(U("Часть %1").arg(index + 1));
    w_->start->setText(value_field::Text(part.startTime));
    // Later parts start where the one before them ends.
    w_->start->setEnabled(index == 0);
    w_->end->setText(value_field::Text(part.endTime));
    w_->points->setText(QString::number(part.pointCount));
    w_->step->setText(value_field::Text(part.step));
    w_->eps->setText(value_field::Text(part.eps));
    const bool byStep = part.mode == document::IntervalPart::ByStep;
    w_->byPoints->setChecked(!byStep);
    w_->byStep->setChecked(byStep);
    w_->points->setEnabled(!byStep);
    w_->step->setEnabled(byStep);
    w_->graphType->setCurrentIndex(part.graphType == document::IntervalPart::GraphPoints ? 1 : 0);
    quiet_ = wasQuiet;
}

void CTransDlg::PartRowChanged(int row) {
    if (quiet_ || row < 0 || row == shown_)
        return;
    const Failure failure = CheckShownPart();
    if (failure.field == nullptr) {
        ShowPart(row);
        return;
    }
    SelectPartRow(shown_);
    // A mouse press selects the pressed row once more after this signal; put the
    // part back again when the press is over.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (w_->parts->currentRow() != shown_ || !w_->parts->item(shown_)->isSelected())
                SelectPartRow(shown_);
        },
        Qt::QueuedConnection);
    Refuse(failure);
}

void CTransDlg::ModeChanged() {
    if (quiet_)
        return;
    const bool byPoints = w_->byPoints->isChecked();
    w_->points->setEnabled(byPoints);
    w_->step->setEnabled(!byPoints);
}

void CTransDlg::Recompute() {
    if (quiet_)
        return;
    double start = 0;
    double end = 0;
    if (!value_field::Read(w_->start, start) || !value_field::Read(w_->end, end) || !(end > start))
        return;
    quiet_ = true;
    if (w_->byPoints->isChecked()) {
        const int points = analysis::ScanPointCount(w_->points->text().toStdString());
        if (points > 0)
            w_->step->setText(value_field::Text(analysis::StepFromPoints(start, end, points)));
    } else {
        double step = 0;
        if (value_field::Read(w_->step, step))
            w_->points->setText(QString::number(analysis::PointsFromStep(start, end, step)));
    }
    quiet_ = false;
}

CTransDlg::Failure CTransDlg::CheckShownPart() {
    const QString notANumber = value_field::NotANumber();
    document::IntervalPart& part = work_.parts[shown_];

    double start = part.startTime;
    if (shown_ == 0) {
        if (!value_field::ReadKept(w_->start, part.startTime, start))
            return {w_->start, notANumber};
        if (start < 0)
            return {w_->start, U("Начальное время должно быть не меньше 0.  ")};
    }
    double end = 0;
    if (!value_field::ReadKept(w_->end, part.endTime, end))
        return {w_->end, notANumber};
    if (start >= end)
        return {w_->end, U("Конечное время должно быть больше начального.  ")};
    part.startTime = start;
    part.endTime = end;
    analysis::ShiftLaterParts(work_, shown_);

    if (w_->byPoints->isChecked()) {
        if (w_->points->text().isEmpty())
            return {w_->points, notANumber};
        const int points = analysis::ScanPointCount(w_->points->text().toStdString());
        if (points <= 0)
            return {w_->points, U("Число точек должно быть больше 0.  ")};
        part.mode = document::IntervalPart::ByPoints;
        part.pointCount = points;
        part.step = analysis::StepFromPoints(start, end, points);
    } else {
        double step = 0;
        if (!value_field::ReadKept(w_->step, part.step, step))
            return {w_->step, notANumber};
        const int points = analysis::PointsFromStep(start, end, step);
        if (points <= 0)
            return {w_->step, U("Неверный шаг  ")};
        part.mode = document::IntervalPart::ByStep;
        part.step = step;
        part.pointCount = points;
    }

    double eps = 0;
    if (!value_field::ReadKept(w_->eps, part.eps, eps))
        return {w_->eps, notANumber};
    if (eps <= 0)
        return {w_->eps, U("Погрешность(EPS) должна быть больше 0.  ")};
    part.eps = eps;
    part.graphType = w_->graphType->currentIndex() + 1;
    return {};
}

bool CTransDlg::ValidateShownPart() {
    const Failure failure = CheckShownPart();
    if (failure.field == nullptr)
        return true;
    Refuse(failure);
    return false;
}

void CTransDlg::Refuse(const Failure& failure) {
    value_field::Report(this, failure.field, failure.message);
}

void CTransDlg::AddPart() {
    if (!ValidateShownPart())
        return;
    if (!analysis::AddIntervalPart(work_))
        return;
    RebuildPartList();
    ShowPart(work_.partCount - 1);
}

void CTransDlg::DeletePart() {
    if (!ValidateShownPart())
        return;
    if (!analysis::DeleteIntervalPart(work_, shown_))
        return;
    RebuildPartList();
    ShowPart(std::min(shown_, work_.partCount - 1));
}

void CTransDlg::SetSweepEditor(SweepEditor editor) {
    w_->sweep->SetEditor(std::move(editor));
}

void CTransDlg::accept() {
    rememberedPart = shown_;
    if (!ValidateShownPart())
        return;
    w_->outputs->Store(work_);
    work_.energyGraph = w_->energy->isChecked() ? 1 : 0;
    if (!w_->sweep->Store(work_.sweepEnabled, work_.sweep))
        return;
    settings_ = work_;
    QDialog::accept();
}

} // namespace korvanix::gui

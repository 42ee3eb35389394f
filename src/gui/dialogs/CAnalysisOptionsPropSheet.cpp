#include "gui/dialogs/CAnalysisOptionsPropSheet.h"

#include "gui/dialogs/CValuePropPage.h"
#include "gui/dialogs/DialogButtons.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace korvanix::gui {
namespace {

constexpr int kHelpTopic = 130;
constexpr int kMinMaxIter = 10;
constexpr int kMaxMaxIter = 120;
constexpr int kMinCheckDepth = 1;
constexpr int kMaxCheckDepth = 10;

int lastAnalysisOptionsPage = 0;

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The whole text as a signed integer; false for anything else.
bool ReadInteger(const QLineEdit* edit, int& value) {
    bool ok = false;
    const int read = edit->text().trimmed().toInt(&ok);
    if (ok)
        value = read;
    return ok;
}

} // namespace

CTransienOptionsPropPage::CTransienOptionsPropPage(document::AnalysisOptions* options,
                                                   QWidget* parent)
    : CPropertyPage(parent), options_(options), maxIter_(new QLineEdit(this)),
      checkDepth_(new QLineEdit(this)),
      checkDepthLabel_(new QLabel(U("Глубина проверки (CHECKDEPTH):"), this)),
      autoCheckDepth_(new QCheckBox(U("Автоматически определять глубину проверки"), this)),
      plotWhileRunning_(new QCheckBox(U("Строить график во время расчета"), this)),
      reset_(new QPushButton(U("Сброс"), this)) {
    setObjectName(QStringLiteral("TRANSOPTPROPPAGE"));
    maxIter_->setObjectName(QStringLiteral("maxIter"));
    checkDepth_->setObjectName(QStringLiteral("checkDepth"));
    checkDepthLabel_->setObjectName(QStringLiteral("checkDepthLabel"));
    autoCheckDepth_->setObjectName(QStringLiteral("autoCheckDepth"));
    plotWhileRunning_->setObjectName(QStringLiteral("plotWhileRunning"));
    reset_->setObjectName(QStringLiteral("reset"));

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(U("Максимальное число итераций (MAXITER):"), this), 0, 0);
    grid->addWidget(maxIter_, 0, 1);
    grid->addWidget(checkDepthLabel_, 1, 0);
    grid->addWidget(checkDepth_, 1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(autoCheckDepth_);
    layout->addWidget(plotWhileRunning_);
    layout->addWidget(reset_, 0, Qt::AlignLeft);
    layout->addStretch(1);

    connect(autoCheckDepth_, &QCheckBox::toggled, this,
            &CTransienOptionsPropPage::AutoCheckDepthToggled);
    connect(reset_, &QPushButton::clicked, this, [this] { Show(document::AnalysisOptions{}); });
    Show(*options_);
}

void CTransienOptionsPropPage::Show(const document::AnalysisOptions& options) {
    maxIter_->setText(QString::number(options.maxIter));
    checkDepth_->setText(QString::number(options.checkDepth));
    autoCheckDepth_->setChecked(options.autoCheckDepth != 0);
    plotWhileRunning_->setChecked(options.plotWhileRunning != 0);
    // setChecked is silent when the box already shows the state.
    AutoCheckDepthToggled(autoCheckDepth_->isChecked());
}

void CTransienOptionsPropPage::AutoCheckDepthToggled(bool on) {
    checkDepth_->setEnabled(!on);
    checkDepthLabel_->setEnabled(!on);
}

bool CTransienOptionsPropPage::Validate() {
    int maxIter = 0;
    if (!ReadInteger(maxIter_, maxIter) || maxIter < kMinMaxIter || maxIter > kMaxMaxIter) {
        value_field::Report(this, maxIter_, U("Значение MAXITER должно быть от 10 до 120"));
        return false;
    }
    if (!autoCheckDepth_->isChecked()) {
        int depth = 0;
        if (!ReadInteger(checkDepth_, depth) || depth < kMinCheckDepth || depth > kMaxCheckDepth) {
            value_field::Report(this, checkDepth_, U("Глубина проверки должна быть от 1 до 10"));
            return false;
        }
    }
    return true;
}

void CTransienOptionsPropPage::Apply() {
    ReadInteger(maxIter_, options_->maxIter);
    // With the automatic depth the field is disabled and the analysis replaces the
    // depth with the one it learns, so it is taken as it stands, in or out of range.
    // Text that is no number at all leaves the depth the record had.
    ReadInteger(checkDepth_, options_->checkDepth);
    options_->autoCheckDepth = autoCheckDepth_->isChecked() ? 1 : 0;
    options_->plotWhileRunning = plotWhileRunning_->isChecked() ? 1 : 0;
}

CAnalysisOptionsPropSheet::CAnalysisOptionsPropSheet(const document::AnalysisOptions& options,
                                                     QWidget* parent)
    : CPropertySheet(U("Установки анализа"), &lastAnalysisOptionsPage, parent), options_(options),
      transientPage_(new CTransienOptionsPropPage(&options_)) {
    AddPage(transientPage_, U("Переходный процесс"));
    if (auto* buttons = findChild<QDialogButtonBox*>())
        AddHelpButton(buttons, kHelpTopic);
    // Pages added later (AddPage is public) take part: the tab widget reports them.
    shownPage_ = Tabs()->currentIndex();
    connect(Tabs(), &QTabWidget::currentChanged, this, &CAnalysisOptionsPropSheet::PageChanged);
}

CAnalysisOptionsPropSheet::~CAnalysisOptionsPropSheet() = default;

int CAnalysisOptionsPropSheet::RememberedPage() {
    return lastAnalysisOptionsPage;
}

void CAnalysisOptionsPropSheet::SetRememberedPage(int page) {
    lastAnalysisOptionsPage = page;
}

void CAnalysisOptionsPropSheet::PageChanged(int index) {
    if (turning_)
        return;
    auto* left = qobject_cast<CPropertyPage*>(Tabs()->widget(shownPage_));
    if (left && shownPage_ != index) {
        // The tab widget has already moved on. The page goes back on show for its
        // check, so that the rejected field can take the focus in sight.
        turning_ = true;
        Tabs()->setCurrentIndex(shownPage_);
        turning_ = false;
        if (!left->Validate())
            return;
        turning_ = true;
        Tabs()->setCurrentIndex(index);
        turning_ = false;
    }
    shownPage_ = index;
}

} // namespace korvanix::gui

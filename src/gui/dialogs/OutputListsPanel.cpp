#include "gui/dialogs/OutputListsPanel.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvanix::gui {
namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

std::vector<std::string> Names(const QListWidget* list) {
    std::vector<std::string> names;
    for (int i = 0; i < list->count(); ++i)
        names.push_back(list->item(i)->text().toStdString());
    return names;
}

bool Holds(const QListWidget* list, const QString& name) {
    return !list->findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty();
}

QListWidgetItem* Chosen(const QListWidget* list) {
    const QList<QListWidgetItem*> items = list->selectedItems();
    return items.isEmpty() ? nullptr : items.front();
}

QListWidget* NameList(QWidget* parent, const char* objectName) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(objectName));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

QPushButton* MoveButton(QWidget* parent, const char* text, const char* objectName) {
    auto* button = new QPushButton(U(text), parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setEnabled(false);
    button->setAutoDefault(false);
    return button;
}

} // namespace

OutputListsPanel::OutputListsPanel(std::vector<analysis::OfferedOutput> offered, QWidget* parent)
    : QWidget(parent), offered_(std::move(offered)) {
    // The callers sort already; a list out of order would only confuse the user.
    std::stable_sort(offered_.begin(), offered_.end(), [](const auto& a, const auto& b) {
        return analysis::NaturalLess(a.name, b.name);
    });

    available_ = NameList(this, "available");
    for (const analysis::OfferedOutput& o : offered_)
        available_->addItem(QString::fromStdString(o.name));
    available_->setMinimumHeight(160);

    auto* voltageGroup = new QGroupBox(U("Напряжения"), this);
    voltages_ = NameList(voltageGroup, "voltages");
    (new QVBoxLayout(voltageGroup))->addWidget(voltages_);
    auto* currentGroup = new QGroupBox(U("Токи"), this);
    currents_ = NameList(currentGroup, "currents");
    (new QVBoxLayout(currentGroup))->addWidget(currents_);

    addVoltage_ = MoveButton(this, "Рассчитать ->", "addVoltage");
    addCurrent_ = MoveButton(this, "Рассчитать ->", "addCurrent");
    removeVoltage_ = MoveButton(this, "Не рассчитывать", "removeVoltage");
    removeCurrent_ = MoveButton(this, "Не рассчитывать", "removeCurrent");

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(new QLabel(U("Доступные элементы"), this), 0, 0);
    grid->addWidget(available_, 1, 0, 2, 1);
    grid->addWidget(addVoltage_, 1, 1);
    grid->addWidget(voltageGroup, 1, 2);
    grid->addWidget(removeVoltage_, 1, 3);
    grid->addWidget(addCurrent_, 2, 1);
    grid->addWidget(currentGroup, 2, 2);
    grid->addWidget(removeCurrent_, 2, 3);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);

    for (QListWidget* list : {available_, voltages_, currents_})
        connect(list, &QListWidget::itemSelectionChanged, this,
                [this, list] { SelectionChanged(list); });
    connect(addVoltage_, &QPushButton::clicked, this, [this] { Add(voltages_); });
    connect(addCurrent_, &QPushButton::clicked, this, [this] { Add(currents_); });
    connect(removeVoltage_, &QPushButton::clicked, this, [this] { Remove(voltages_); });
    connect(removeCurrent_, &QPushButton::clicked, this, [this] { Remove(currents_); });
}

int OutputListsPanel::FlagsOf(const std::string& name) const {
    for (const analysis::OfferedOutput& o : offered_)
        if (o.name == name)
            return o.flags;
    return 0;
}

bool OutputListsPanel::IsOffered(const std::string& name) const {
    for (const analysis::OfferedOutput& o : offered_)
        if (o.name == name)
            return true;
    return false;
}

void OutputListsPanel::SetOutputs(const std::vector<std::string>& voltages,
                                  const std::vector<std::string>& currents) {
    voltages_->clear();
    currents_->clear();
    int total = 0;
    auto fill = [this, &total](QListWidget* list, const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            const QString text = QString::fromStdString(name);
            if (total < kMaxOutputs && IsOffered(name) && !Holds(list, text)) {
                list->addItem(text);
                ++total;
            }
        }
    };
    fill(voltages_, voltages);
    fill(currents_, currents);
    RefreshButtons();
}

std::vector<std::string> OutputListsPanel::Voltages() const {
    return Names(voltages_);
}

std::vector<std::string> OutputListsPanel::Currents() const {
    return Names(currents_);
}

int OutputListsPanel::OutputCount() const {
    return voltages_->count() + currents_->count();
}

void OutputListsPanel::SelectionChanged(QListWidget* list) {
    if (clearing_)
        return;
    // One selection at a time across the three lists: the buttons act on it.
    if (Chosen(list) != nullptr) {
        clearing_ = true;
        for (QListWidget* other : {available_, voltages_, currents_})
            if (other != list)
                other->clearSelection();
        clearing_ = false;
    }
    RefreshButtons();
}

void OutputListsPanel::RefreshButtons() {
    const QListWidgetItem* chosen = Chosen(available_);
    const bool room = OutputCount() < kMaxOutputs;
    bool voltage = false;
    bool current = false;
    if (chosen != nullptr && room) {
        const int flags = FlagsOf(chosen->text().toStdString());
        voltage =
            (flags & analysis::OfferedOutput::Voltage) != 0 && !Holds(voltages_, chosen->text());
        current =
            (flags & analysis::OfferedOutput::Current) != 0 && !Holds(currents_, chosen->text());
    }
    addVoltage_->setEnabled(voltage);
    addCurrent_->setEnabled(current);
    removeVoltage_->setEnabled(Chosen(voltages_) != nullptr);
    removeCurrent_->setEnabled(Chosen(currents_) != nullptr);
}

void OutputListsPanel::Add(QListWidget* list) {
    QPushButton* button = list == voltages_ ? addVoltage_ : addCurrent_;
    const QListWidgetItem* chosen = Chosen(available_);
    if (chosen == nullptr || !button->isEnabled())
        return;
    list->addItem(chosen->text());
    // Both buttons: the output just added may have been the fifth.
    RefreshButtons();
    available_->setFocus(Qt::OtherFocusReason);
}

void OutputListsPanel::Remove(QListWidget* list) {
    QListWidgetItem* chosen = Chosen(list);
    if (chosen == nullptr)
        return;
    const int row = list->row(chosen);
    delete list->takeItem(row);
    if (list->count() > 0)
        list->setCurrentRow(std::min(row, list->count() - 1));
    RefreshButtons();
    list->setFocus(Qt::OtherFocusReason);
}

} // namespace korvanix::gui

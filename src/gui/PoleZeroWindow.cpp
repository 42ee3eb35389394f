#include "gui/PoleZeroWindow.h"

#include "analysis/PoleZeroText.h"
#include "gui/ActionRegistry.h"
#include "gui/GraphCommandIds.h"
#include "gui/GraphExport.h"
#include "gui/PoleZeroMap.h"
#include "gui/SymbolIcons.h"
#include "model/Value.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace korvanix::gui {

namespace {

using analysis::Root;

QString U(const std::string& s) {
    return QString::fromStdString(s);
}

QString U(const char* s) {
    return QString::fromUtf8(s);
}

// The step and impulse responses are written out only while they stay readable.
constexpr std::size_t kLargestWrittenOrder = 10;

const char* const kColumns[] = {"Вид", "Re, рад/с", "Im, рад/с", "f, Гц",     "ω0, рад/с",
                                "ζ",   "Q",         "τ, с",      "Кратность", "Примечание"};

QString Stability(const std::vector<Root>& natural) {
    bool unstable = false, marginal = false;
    for (const Root& s : natural) {
        const analysis::RootFigures f = analysis::FiguresOf(s);
        unstable = unstable || f.unstable;
        marginal = marginal || f.marginal;
    }
    if (natural.empty())
        return U("В цепи нет накопителей энергии: собственных частот нет.");
    if (unstable)
        return U("Цепь неустойчива: есть собственные частоты в правой полуплоскости.");
    if (marginal)
        return U("Цепь на границе устойчивости: есть собственные частоты на мнимой оси.");
    return U("Цепь устойчива: все собственные частоты в левой полуплоскости.");
}

} // namespace

PoleZeroWindow::PoleZeroWindow(QWidget* parent, std::optional<QRect> rect)
    : QWidget(parent, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(U(kTitle));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    toolBar_ = new QToolBar(this);
    layout->addWidget(toolBar_);
    auto* choices = new QHBoxLayout;
    choices->addWidget(new QLabel(U("Функция:"), this));
    functions_ = new QComboBox(this);
    functions_->setAccessibleName(U("Функция"));
    choices->addWidget(functions_, 1);
    choices->addWidget(new QLabel(U("Расчет:"), this));
    runs_ = new QComboBox(this);
    runs_->setAccessibleName(U("Расчет"));
    choices->addWidget(runs_, 1);
    layout->addLayout(choices);

    auto* split = new QSplitter(Qt::Horizontal, this);
    map_ = new PoleZeroMap(split);
    tabs_ = new QTabWidget(split);
    table_ = new QTableWidget(tabs_);
    table_->setColumnCount(static_cast<int>(std::size(kColumns)));
    QStringList headers;
    for (const char* c : kColumns)
        headers << U(c);
    table_->setHorizontalHeaderLabels(headers);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->setVisible(false);
    text_ = new QPlainTextEdit(tabs_);
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    tabs_->addTab(table_, U("Таблица"));
    tabs_->addTab(text_, U("H(s)"));
    split->addWidget(map_);
    split->addWidget(tabs_);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    layout->addWidget(split, 1);
    status_ = new QLabel(this);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(status_);

    DefineCommands();
    // Ctrl+C in the table copies the selected rows whole, as lines of cells.
    auto* copyRows = new QAction(table_);
    copyRows->setShortcut(QKeySequence::Copy);
    copyRows->setShortcutContext(Qt::WidgetShortcut);
    table_->addAction(copyRows);
    connect(copyRows, &QAction::triggered, this, [this] {
        QApplication::clipboard()->setText(TableText(true));
        ShowStatus(U("Строки таблицы скопированы."));
    });
    connect(map_, &PoleZeroMap::pointed, this, [this](const QString& reading) {
        if (!reading.isEmpty())
            ShowStatus(reading);
    });
    connect(map_, &PoleZeroMap::viewChanged, this, [this] { actions_->Refresh({pzcmd::Restore}); });
    connect(functions_, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] {
        Refill();
        FillMap();
    });
    connect(runs_, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] { Refill(); });

    if (rect)
        setGeometry(*rect);
    else
        resize(960, 600);
}

PoleZeroWindow::~PoleZeroWindow() = default;

PoleZeroWindow* PoleZeroWindow::Find() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<PoleZeroWindow*>(w))
            return window;
    return nullptr;
}

void PoleZeroWindow::DefineCommands() {
    actions_ = new ActionRegistry(this);
    struct Button {
        int id;
        const char* name;
        int icon; // a graph window command whose icon fits, or 0
        bool checkable;
    };
    const Button buttons[] = {
        {pzcmd::SavePicture, "Сохранить рисунок", gcmd::SaveAllPicture, false},
        {pzcmd::CopyPicture, "Копировать рисунок", gcmd::CopyAll, false},
        {0, nullptr, 0, false},
        {pzcmd::Restore, "Исходный интервал", gcmd::RestoreAll, false},
        {pzcmd::Hertz, "Частота в герцах", 0, true},
        {0, nullptr, 0, false},
        {pzcmd::CopyTable, "Копировать таблицу", 0, false},
        {pzcmd::CopyText, "Копировать H(s)", 0, false},
        {pzcmd::CopyLatex, "Копировать H(s) в LaTeX", 0, false},
    };
    for (const Button& b : buttons) {
        if (b.id == 0) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* action = actions_->Add(b.id, U(b.name),
                                        b.icon ? GraphCommandIcon(b.icon) : QIcon(), b.checkable);
        action->setToolTip(U(b.name));
        toolBar_->addAction(action);
    }
    const auto render = [this](QPainter& p) { map_->Render(p, map_->size()); };
    const auto status = [this](const QString& text) { ShowStatus(text); };
    actions_->SetHandler(pzcmd::SavePicture, [this, render, status] {
        SaveGraphPicture(this, map_->size(), render, status, QStringLiteral("Poles.png"));
    });
    actions_->SetHandler(pzcmd::CopyPicture, [this, render, status] {
        CopyGraphPicture(map_->size(), render, status);
    });
    actions_->SetHandler(pzcmd::Restore, [this] { map_->RestoreView(); });
    actions_->SetHandler(pzcmd::Hertz, [this](bool on) {
        map_->SetHertz(on);
        actions_->Refresh({pzcmd::Hertz});
    });
    actions_->SetHandler(pzcmd::CopyTable, [this] {
        QApplication::clipboard()->setText(TableText(false));
        ShowStatus(U("Таблица скопирована."));
    });
    actions_->SetHandler(pzcmd::CopyText, [this] {
        QApplication::clipboard()->setText(Text());
        ShowStatus(U("Текст скопирован."));
    });
    actions_->SetHandler(pzcmd::CopyLatex, [this] {
        QApplication::clipboard()->setText(latex_);
        ShowStatus(U("Формула LaTeX скопирована."));
    });
    actions_->SetEnabledRule(pzcmd::Restore, [this] { return map_->ViewChanged(); });
    actions_->SetCheckedRule(pzcmd::Hertz, [this] { return map_->Hertz(); });
    actions_->SetEnabledRule(pzcmd::CopyLatex, [this] { return !latex_.isEmpty(); });
    actions_->Refresh();
}

void PoleZeroWindow::SetReport(analysis::PoleZeroReport report) {
    report_ = std::move(report);
    const QSignalBlocker blockFunctions(functions_);
    const QSignalBlocker blockRuns(runs_);
    const int function = std::max(functions_->currentIndex(), 0);
    functions_->clear();
    functions_->addItem(U("Собственные частоты цепи"));
    if (!report_.runs.empty())
        for (const analysis::TransferResult& t : report_.runs.front().functions)
            functions_->addItem(U(t.ratio));
    functions_->setCurrentIndex(std::min(function, functions_->count() - 1));
    runs_->clear();
    for (std::size_t r = 0; r < report_.runs.size(); ++r)
        runs_->addItem(report_.sweep
                           ? QStringLiteral("%1: %2 = %3")
                                 .arg(r + 1)
                                 .arg(U(report_.runLabel),
                                      U(analysis::PrefixedNumber(report_.runs[r].sweptValue)))
                           : U("Единственный"));
    runs_->setEnabled(report_.sweep);
    Refill();
    FillMap();
    ShowStatus(U(!report_.sweepMessage.empty() ? report_.sweepMessage : report_.note));
}

int PoleZeroWindow::FunctionCount() const {
    return functions_->count();
}

void PoleZeroWindow::SelectFunction(int index) {
    functions_->setCurrentIndex(index);
}

void PoleZeroWindow::SelectRun(int index) {
    runs_->setCurrentIndex(index);
}

const analysis::TransferResult* PoleZeroWindow::Function(const analysis::PoleZeroRun& run) const {
    const int i = functions_->currentIndex() - 1;
    return i >= 0 && i < static_cast<int>(run.functions.size())
               ? &run.functions[static_cast<std::size_t>(i)]
               : nullptr;
}

void PoleZeroWindow::Refill() {
    const int r = runs_->currentIndex();
    if (r < 0 || r >= static_cast<int>(report_.runs.size())) {
        table_->setRowCount(0);
        text_->setPlainText(QString());
        latex_.clear();
        actions_->Refresh();
        return;
    }
    const analysis::PoleZeroRun& run = report_.runs[static_cast<std::size_t>(r)];
    FillTable(run);
    FillText(run);
    actions_->Refresh();
}

void PoleZeroWindow::FillTable(const analysis::PoleZeroRun& run) {
    struct Row {
        QString kind;
        analysis::RootGroup group;
    };
    std::vector<Row> rows;
    const auto add = [&rows](const std::vector<Root>& roots, const char* kind) {
        for (const analysis::RootGroup& g : analysis::GroupRoots(roots))
            rows.push_back({U(kind), g});
    };
    if (const analysis::TransferResult* t = Function(run)) {
        add(t->h.zeros, "нуль");
        add(t->h.poles, "полюс");
        add(t->h.cancelled, "сокращен");
    } else {
        add(run.natural, "собств. частота");
    }
    table_->setRowCount(static_cast<int>(rows.size()));
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const Row& row = rows[static_cast<std::size_t>(i)];
        const analysis::RootFigures f = analysis::FiguresOf(row.group.value);
        QString note;
        if (f.unstable)
            note = U("неустойчивый");
        else if (f.marginal)
            note = U("на границе устойчивости");
        const QString cells[] = {
            row.kind,
            U(model::FormatNumber(f.re, 12)),
            U(model::FormatNumber(f.im, 12)),
            U(analysis::PrefixedNumber(f.frequency)),
            U(analysis::PrefixedNumber(f.omega0)),
            U(model::FormatNumber(f.zeta, 6)),
            f.marginal ? QStringLiteral("∞") : U(model::FormatNumber(f.q, 6)),
            f.real && f.re != 0 ? U(analysis::PrefixedNumber(f.tau)) : QStringLiteral("-"),
            QString::number(row.group.multiplicity),
            note,
        };
        for (int c = 0; c < static_cast<int>(std::size(cells)); ++c)
            table_->setItem(i, c, new QTableWidgetItem(cells[c]));
    }
    table_->resizeColumnsToContents();
}

void PoleZeroWindow::FillText(const analysis::PoleZeroRun& run) {
    std::string text;
    latex_.clear();
    const analysis::TransferResult* t = Function(run);
    if (!t) {
        text = "Собственные частоты цепи: " + std::to_string(run.natural.size()) + "\n" +
               Stability(run.natural).toStdString() + "\n\n" + analysis::RootTableText(run.natural);
        text_->setPlainText(U(text));
        return;
    }
    text = "Передаточная функция " + t->ratio + "\n\n";
    if (!t->message.empty()) {
        text_->setPlainText(U(text + t->message));
        return;
    }
    const analysis::Zpk& h = t->h;
    text += analysis::FactoredText(h) + "\n\n" + analysis::ExpandedText(h) + "\n\n";
    text += "K = " + model::FormatNumber(static_cast<double>(h.gain), 12) + "\n";
    if (h.ZerosAtInfinity() > 0)
        text += "Нулей в бесконечности: " + std::to_string(h.ZerosAtInfinity()) + "\n";
    if (h.PolesAtInfinity() > 0)
        text += "Функция несобственная: полюс в бесконечности порядка " +
                std::to_string(h.PolesAtInfinity()) + "\n";
    if (!h.cancelled.empty())
        text += "Сокращенные пары полюс-нуль (моды, которые вход не возбуждает или выход не "
                "видит): " +
                std::to_string(h.cancelled.size()) + "\n";
    if (h.poles.size() <= kLargestWrittenOrder) {
        const std::string step = analysis::ResponseText(analysis::StepResponse(h), "h");
        const std::string impulse = analysis::ResponseText(analysis::ImpulseResponse(h), "g");
        if (!step.empty())
            text += "\nПереходная характеристика (t > 0):\n" + step + "\n";
        if (!impulse.empty())
            text += "\nИмпульсная характеристика (t > 0):\n" + impulse + "\n";
    }
    latex_ = U(analysis::FactoredLatex(h) + "\n" + analysis::ExpandedLatex(h));
    text_->setPlainText(U(text));
}

void PoleZeroWindow::FillMap() {
    std::vector<PoleZeroMap::Run> runs;
    const int function = functions_->currentIndex() - 1;
    const auto runOf = [function](const analysis::PoleZeroRun& r) {
        PoleZeroMap::Run m;
        m.value = r.sweptValue;
        if (function >= 0 && function < static_cast<int>(r.functions.size())) {
            m.poles = r.functions[static_cast<std::size_t>(function)].h.poles;
            m.zeros = r.functions[static_cast<std::size_t>(function)].h.zeros;
        } else {
            m.poles = r.natural;
        }
        return m;
    };
    if (report_.sweep)
        for (const analysis::PoleZeroRun& r : report_.runs)
            runs.push_back(runOf(r));
    else if (!report_.runs.empty())
        runs.push_back(runOf(report_.runs.front()));
    map_->SetRuns(std::move(runs), U(report_.runLabel));
    actions_->Refresh();
}

QString PoleZeroWindow::Text() const {
    return text_->toPlainText();
}

QString PoleZeroWindow::StatusText() const {
    return status_->text();
}

void PoleZeroWindow::ShowStatus(const QString& text) {
    status_->setText(text);
}

QString PoleZeroWindow::TableText(bool selectedOnly) const {
    QString out;
    QStringList header;
    for (int c = 0; c < table_->columnCount(); ++c)
        header << table_->horizontalHeaderItem(c)->text();
    out += header.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (int r = 0; r < table_->rowCount(); ++r) {
        bool selected = !selectedOnly;
        QStringList cells;
        for (int c = 0; c < table_->columnCount(); ++c) {
            const QTableWidgetItem* item = table_->item(r, c);
            selected = selected || (item && item->isSelected());
            cells << (item ? item->text() : QString());
        }
        if (selected)
            out += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return out;
}

} // namespace korvanix::gui

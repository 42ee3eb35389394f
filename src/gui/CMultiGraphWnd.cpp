#include "gui/CMultiGraphWnd.h"

#include "gui/ActionRegistry.h"
#include "gui/CGraphWnd.h"
#include "gui/CMainWnd.h"
#include "gui/GraphCommandIds.h"
#include "gui/GraphExport.h"
#include "gui/SymbolIcons.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QWindowStateChangeEvent>

#include <algorithm>

namespace korvanix::gui {
namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

constexpr int kStatusHeight = 20;
constexpr int kStatusPartEnd = 300;

} // namespace

CMultiGraphWnd::CMultiGraphWnd(QWidget* parent, const QString& title, std::optional<QRect> rect)
    : QMainWindow(parent, Qt::Window) {
    setObjectName(QStringLiteral("MULTIGRAPHWND"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    area_ = new QWidget(this);
    area_->setObjectName(QStringLiteral("panes"));
    area_->setAutoFillBackground(true);
    area_->setPalette(pal);
    setCentralWidget(area_);
    CreateToolBar();

    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("108"));
    bar->setSizeGripEnabled(true);
    bar->setFixedHeight(std::max(kStatusHeight, bar->sizeHint().height()));
    status_ = new QLabel(bar);
    status_->setObjectName(QStringLiteral("statusText"));
    status_->setFixedWidth(kStatusPartEnd);
    bar->addWidget(status_);

    if (!rect) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QRect s = screen ? screen->geometry() : QRect(0, 0, 1280, 800);
        rect = QRect(QPoint(s.left() + 20, s.top() + 50), QPoint(s.right() - 20, s.bottom() - 50));
    }
    setGeometry(*rect);
    SetPaneCount(1);
}

CMultiGraphWnd::~CMultiGraphWnd() {
    // Every series goes with the window.
    for (CGraphWnd* pane : panes_)
        pane->Data().Reset();
}

CMultiGraphWnd* CMultiGraphWnd::Find(const QString& title) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<CMultiGraphWnd*>(w);
        if (window && !window->closed_ && window->windowTitle() == title)
            return window;
    }
    return nullptr;
}

void CMultiGraphWnd::CreateToolBar() {
    toolBar_ = addToolBar(U("График"));
    toolBar_->setObjectName(QStringLiteral("graphToolBar"));
    toolBar_->setMovable(false);
    toolBar_->setIconSize(QSize(24, 24));
    struct Button {
        int id;
        const char* name;
        bool checkable;
    };
    const Button buttons[] = {{gcmd::SaveAllData, "Сохранить данные", false},
                              {gcmd::CopyAll, "Копировать", false},
                              {gcmd::SaveAllPicture, "Сохранить рисунок", false},
                              {0, nullptr, false},
                              {gcmd::RestoreAll, "Исходный интервал", false},
                              {gcmd::RulerAll, "Показать линейку", true},
                              {gcmd::PointsAll, "Показать расчетные точки", true}};
    actions_ = new ActionRegistry(this);
    for (const Button& b : buttons) {
        if (b.id == 0) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* action = actions_->Add(b.id, U(b.name), GraphCommandIcon(b.id), b.checkable);
        action->setToolTip(U(b.name));
        toolBar_->addAction(action);
    }
    const auto render = [this](QPainter& p) { Render(p); };
    const auto status = [this](const QString& text) { ShowStatus(text); };
    const auto then = [this](std::function<void(bool)> act) {
        return [this, act = std::move(act)](bool checked) {
            act(checked);
            SyncToolBar();
        };
    };
    actions_->SetHandler(gcmd::SaveAllData, then([this](bool) { SaveAllData(); }));
    actions_->SetHandler(gcmd::CopyAll, then([this, render, status](bool) {
                             CopyGraphPicture(PictureSize(), render, status);
                         }));
    actions_->SetHandler(gcmd::SaveAllPicture, then([this, render, status](bool) {
                             SaveGraphPicture(this, PictureSize(), render, status);
                         }));
    actions_->SetHandler(gcmd::RestoreAll, then([this](bool) {
                             for (CGraphWnd* pane : panes_)
                                 pane->RestoreInterval();
                             LayoutPanes();
                         }));
    // The toolbar's check buttons set every pane to their own state.
    actions_->SetHandler(gcmd::RulerAll, then([this](bool on) {
                             for (CGraphWnd* pane : panes_)
                                 if (pane->RulerShown() != on)
                                     pane->ShowRuler(on);
                         }));
    actions_->SetHandler(gcmd::PointsAll, then([this](bool on) {
                             for (CGraphWnd* pane : panes_)
                                 if (pane->PointsShown() != on)
                                     pane->ShowPoints(on);
                         }));
    const auto any = [this](bool (CGraphWnd::*state)() const) {
        return [this, state] {
            return std::any_of(panes_.begin(), panes_.end(),
                               [state](const CGraphWnd* pane) { return (pane->*state)(); });
        };
    };
    actions_->SetEnabledRule(gcmd::RestoreAll, any(&CGraphWnd::RangeChanged));
    actions_->SetCheckedRule(gcmd::RulerAll, any(&CGraphWnd::RulerShown));
    actions_->SetCheckedRule(gcmd::PointsAll, any(&CGraphWnd::PointsShown));
    actions_->Refresh();
}

QAction* CMultiGraphWnd::Action(int id) const {
    return actions_->Action(id);
}

CGraphWnd* CMultiGraphWnd::Pane(int i) const {
    return i >= 0 && i < PaneCount() ? panes_[static_cast<std::size_t>(i)] : nullptr;
}

QString CMultiGraphWnd::StatusText() const {
    return status_->text();
}

QRect CMultiGraphWnd::PaneArea() const {
    return area_->rect();
}

void CMultiGraphWnd::ShowWindow() {
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    SyncToolBar();
    LayoutPanes();
}

void CMultiGraphWnd::LayoutPanes() {
    ++layoutDepth_;
    const int passes = layoutDepth_ == 1 ? 2 : 1;
    const QRect area = area_->rect();
    const int n = PaneCount();
    for (int pass = 0; pass < passes && n > 0; ++pass) {
        std::vector<PlotArea> plots;
        int left = 0;
        int right = INT32_MAX;
        for (int i = 0; i < n; ++i) {
            const int top = area.height() * i / n;
            const int bottom = area.height() * (i + 1) / n;
            plots.push_back(
                panes_[static_cast<std::size_t>(i)]->LayoutFor(QSize(area.width(), bottom - top)));
            left = std::max(left, plots.back().left);
            right = std::min(right, plots.back().right);
        }
        for (int i = 0; i < n; ++i) {
            const int top = area.height() * i / n;
            const int bottom = area.height() * (i + 1) / n;
            // The pane moves so that its plot starts at the common left edge and
            // ends at the common right edge.
            const int dx = left - plots[static_cast<std::size_t>(i)].left;
            const int dr = right - plots[static_cast<std::size_t>(i)].right;
            CGraphWnd* pane = panes_[static_cast<std::size_t>(i)];
            pane->setGeometry(dx, top, std::max(1, area.width() - dx + dr), bottom - top);
            pane->Relayout();
        }
    }
    --layoutDepth_;
    if (layoutDepth_ == 0) {
        for (CGraphWnd* pane : panes_)
            pane->update();
    }
}

void CMultiGraphWnd::SyncToolBar() {
    actions_->Refresh();
}

void CMultiGraphWnd::OnCommand(int id) {
    if (QAction* action = Action(id); action && action->isCheckable())
        action->trigger();
    else
        actions_->Run(id);
}

void CMultiGraphWnd::SaveAllData() {
    std::vector<graph::GraphData*> sets;
    for (CGraphWnd* pane : panes_)
        sets.push_back(&pane->Data());
    SaveGraphData(this, sets, windowTitle(), [this](const QString& text) { ShowStatus(text); });
    // The export switched every pane to the first pane's run.
    for (CGraphWnd* pane : panes_)
        pane->SelectRun(pane->Data().SelectedRun());
}

QSize CMultiGraphWnd::PictureSize() const {
    return area_->size();
}

void CMultiGraphWnd::Render(QPainter& p) const {
    p.fillRect(QRect(QPoint(0, 0), area_->size()), Qt::white);
    for (const CGraphWnd* pane : panes_) {
        p.save();
        p.translate(pane->pos());
        p.setClipRect(QRect(QPoint(0, 0), pane->size()));
        pane->Render(p);
        p.restore();
    }
}

void CMultiGraphWnd::ShowStatus(const QString& text) {
    statusBar()->showMessage(text, 10000);
    if (auto* main = qobject_cast<CMainWnd*>(parentWidget()))
        main->ShowStatus(text);
}

void CMultiGraphWnd::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    LayoutPanes();
}

void CMultiGraphWnd::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    if (isMinimized()) {
        for (CGraphWnd* pane : panes_)
            pane->HideInfoWnd(true);
        rulersHidden_ = true;
    } else if (rulersHidden_) {
        for (CGraphWnd* pane : panes_)
            pane->HideInfoWnd(false);
        rulersHidden_ = false;
    }
}

void CMultiGraphWnd::FlushLive() {
    for (CGraphWnd* pane : panes_)
        pane->FlushLive();
}

void CMultiGraphWnd::closeEvent(QCloseEvent* event) {
    if (busy_) {
        event->ignore();
        return;
    }
    closed_ = true;
    for (CGraphWnd* pane : panes_)
        pane->ShowRuler(false);
    event->accept();
}

void CMultiGraphWnd::SetPaneCount(int n) {
    n = std::clamp(n, 0, 64);
    while (PaneCount() > n) {
        delete panes_.back();
        panes_.pop_back();
    }
    while (PaneCount() < n) {
        auto* pane = new CGraphWnd(PaneCount(), area_);
        connect(pane, &CGraphWnd::changed, this, &CMultiGraphWnd::SyncToolBar);
        connect(pane, &CGraphWnd::statusMessage, this, &CMultiGraphWnd::ShowStatus);
        pane->show();
        panes_.push_back(pane);
    }
    for (CGraphWnd* pane : panes_) {
        pane->Data().Reset();
        pane->DataChanged();
    }
    LayoutPanes();
    SyncToolBar();
}

graph::GraphData* CMultiGraphWnd::PaneData(int pane) {
    CGraphWnd* p = Pane(pane);
    return p ? &p->Data() : nullptr;
}

void CMultiGraphWnd::SetExpectedPoints(int pane, int n) {
    // A document may announce any number of points and runs: what is reserved in
    // advance stays within a few tens of megabytes, and the series grow as the
    // points come.
    ForPanes(pane, [&](int, graph::GraphData& set) {
        const int64_t series = int64_t{std::max(set.RunCount(), 1)} * (set.CurveCount() + 2);
        const auto cap =
            static_cast<int>(std::clamp<int64_t>((int64_t{1} << 22) / series, 1024, 1 << 16));
        set.SetExpectedPoints(std::min(n, cap));
    });
}

void CMultiGraphWnd::PaneChanged(int pane) {
    Pane(pane)->DataChanged();
}

void CMultiGraphWnd::PointAppended(int pane, int curve, int run) {
    Pane(pane)->PointAppended(curve, run);
}

void CMultiGraphWnd::PaneFinished(int pane) {
    Pane(pane)->DataChanged();
}

void CMultiGraphWnd::FinishDone() {
    LayoutPanes();
    SyncToolBar();
}

void CMultiGraphWnd::SetStatusText(const std::string& text) {
    status_->setText(QString::fromStdString(text));
}

} // namespace korvanix::gui

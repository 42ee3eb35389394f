// The graph windows driven headless: layout of the panes, zoom, ruler, toolbar,
// exports and pictures, on data handed to them as an analysis hands it.
#include "analysis/DocumentAnalysis.h"
#include "analysis/ProgressReporter.h"
#include "document/Document.h"
#include "engine/EngineNotifier.h"
#include "graph/AxisScale.h"
#include "graph/RulerReadings.h"
#include "gui/CGraphWnd.h"
#include "gui/CInfoWnd.h"
#include "gui/CMultiGraphWnd.h"
#include "gui/DataExportJob.h"
#include "gui/GraphCommandIds.h"
#include "gui/GraphExport.h"
#include "gui/GuiPrompts.h"
#include "gui/Messages.h"
#include "gui/dialogs/CAbortDlg.h"
#include "model/ElementKind.h"
#include "model/Scheme.h"
#include "model/Text1251.h"

#include "../document/TempFolder.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QXmlStreamReader>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cmath>
#include <csignal>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace korvanix::gui {
namespace {

using document::testing::TempFolder;

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

class RecordingMessages : public MessageService {
public:
    void Warn(QWidget*, const QString& text) override { warnings.push_back(text); }
    void Inform(QWidget*, const QString& text) override { warnings.push_back(text); }
    Reply Ask(QWidget*, const QString& text, bool) override {
        questions.push_back(text);
        return answer;
    }
    QStringList warnings;
    QStringList questions;
    Reply answer = Reply::No;
};

// Answers every save dialog with one path and the type it names.
class ScriptedFiles : public FileDialogs {
public:
    bool SavePathOfType(QWidget*, const QString& proposedName, const QStringList& filterList,
                        const QStringList&, QString& path, int& filter) override {
        proposed = proposedName;
        filters = filterList;
        path = answer;
        filter = answerFilter;
        return !answer.isEmpty();
    }
    QString answer;
    int answerFilter = 0;
    QString proposed;
    QStringList filters;
};

// Services of the tests in place for one test, the real ones back afterwards.
class GraphWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMessageService(&messages);
        SetFileDialogs(&files);
    }
    void TearDown() override {
        SetMessageService(nullptr);
        SetFileDialogs(nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    RecordingMessages messages;
    ScriptedFiles files;
};

// `points` points of x = i over 0..points-1, one line segment, curve c of value
// (c + 1) * i.
void FillRamp(graph::GraphData& data, int points, int curves = 1, int runs = 1) {
    data.Reset();
    data.SetCounts(curves, runs);
    data.SetExpectedPoints(points);
    data.SetXCaption("t, с");
    data.SetXRange(0, std::max(points - 1, 1));
    for (int c = 0; c < curves; ++c)
        data.SetCurveName(c, "u(C" + std::to_string(c + 1) + "), В");
    for (int run = 0; run < runs; ++run) {
        data.AppendRunValue(run + 1);
        data.BeginSegment(run, graph::kSegmentLines);
        for (int i = 0; i < points; ++i) {
            data.AppendX(run, i);
            for (int c = 0; c < curves; ++c)
                data.AppendY(c, run, (c + 1) * i * (run + 1));
        }
        data.EndSegment(run);
    }
    data.Finish();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteText(const std::string& path, const char* text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

QWidget* FindTopLevel(const char* objectName) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(objectName) && w->isVisible())
            return w;
    return nullptr;
}

// Two panes of 100-point ramps in a window shown off the screen.
void ShowTwoRamps(CMultiGraphWnd& wnd) {
    wnd.setAttribute(Qt::WA_DontShowOnScreen);
    wnd.SetPaneCount(2);
    FillRamp(wnd.Pane(0)->Data(), 100);
    FillRamp(wnd.Pane(1)->Data(), 100);
    wnd.Finish(graph::kAllPanes);
    wnd.ShowWindow();
}

// A pane on its own, laid out at a fixed size.
// The data export runs on a thread of its own: its end comes through the
// event loop.
bool ExportsEnded() {
    return QTest::qWaitFor([] { return DataExportJob::RunningCount() == 0; }, 20000);
}

struct LonePane {
    explicit LonePane(int points, int curves = 1, QSize size = QSize(600, 400)) : pane(0) {
        pane.resize(size);
        FillRamp(pane.Data(), points, curves);
        pane.DataChanged();
    }
    CGraphWnd pane;
};

// ---------------------------------------------------------------------------
// The window's layout

TEST_F(GraphWindowTest, PanesDivideTheFreeHeightIntoEqualBands) {
    CMultiGraphWnd wnd(nullptr, U("График АЧХ/ФЧХ"), QRect(0, 0, 600, 400));
    wnd.setAttribute(Qt::WA_DontShowOnScreen);
    wnd.SetPaneCount(3);
    wnd.show();
    QApplication::processEvents();
    const int extra = wnd.height() - wnd.PaneArea().height();
    wnd.resize(600, 100 + extra);
    QApplication::processEvents();
    ASSERT_EQ(wnd.PaneArea().height(), 100);
    const int tops[] = {0, 33, 66};
    const int bottoms[] = {33, 66, 100};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(wnd.Pane(i)->y(), tops[i]) << i;
        EXPECT_EQ(wnd.Pane(i)->y() + wnd.Pane(i)->height(), bottoms[i]) << i;
        EXPECT_EQ(wnd.Pane(i)->objectName(), QStringLiteral("GRWND_%1").arg(i));
    }
}

TEST_F(GraphWindowTest, PanesWithDifferentLabelWidthsShareThePlotEdges) {
    CMultiGraphWnd wnd(nullptr, U("График АЧХ/ФЧХ"), QRect(0, 0, 800, 600));
    wnd.setAttribute(Qt::WA_DontShowOnScreen);
    wnd.SetPaneCount(2);
    wnd.SetCounts(graph::kAllPanes, 2, 1);
    wnd.SetExpectedPoints(graph::kAllPanes, 100);
    wnd.SetXRange(graph::kAllPanes, 0, 99);
    wnd.SetCurveGroup(1, 1, 1); // the second pane has two label columns
    wnd.SetGroupCaption(1, 1, "очень длинная подпись, А");
    wnd.BeginSegment(graph::kAllPanes, 0, graph::kSegmentLines);
    for (int i = 0; i < 100; ++i) {
        wnd.AppendX(graph::kAllPanes, 0, i);
        wnd.AppendY(0, 0, 0, 1e-7 * i);
        wnd.AppendY(0, 1, 0, 2e-7 * i);
        wnd.AppendY(1, 0, 0, 12345.678 * i);
        wnd.AppendY(1, 1, 0, -i);
    }
    wnd.EndSegment(graph::kAllPanes, 0);
    wnd.Finish(graph::kAllPanes);
    wnd.ShowWindow();
    QApplication::processEvents();

    const CGraphWnd* a = wnd.Pane(0);
    const CGraphWnd* b = wnd.Pane(1);
    ASSERT_NE(a->Plot().left, b->Plot().left) << "the fixture must give different label widths";
    EXPECT_EQ(a->x() + a->Plot().left, b->x() + b->Plot().left);
    EXPECT_EQ(a->x() + a->Plot().right, b->x() + b->Plot().right);
    EXPECT_EQ(a->Plot().SpanX(), b->Plot().SpanX());
}

// Interval parts are segments of one run: the line of a part starts from the
// last point of the part before it, with no gap; a part of points is not joined.
TEST_F(GraphWindowTest, ALinePartGoesOnFromThePreviousPartsLastPoint) {
    for (const int secondType : {graph::kSegmentLines, graph::kSegmentPoints}) {
        SCOPED_TRACE(secondType);
        CMultiGraphWnd wnd(nullptr, U(kTransientGraphTitle), QRect(0, 0, 600, 400));
        wnd.setAttribute(Qt::WA_DontShowOnScreen);
        wnd.SetCounts(0, 1, 1);
        wnd.SetExpectedPoints(0, 20);
        wnd.SetXRange(0, 0, 19);
        wnd.BeginSegment(0, 0, graph::kSegmentLines);
        for (int i = 0; i < 20; ++i) {
            if (i == 10) {
                wnd.EndSegment(0, 0);
                wnd.BeginSegment(0, 0, secondType);
            }
            wnd.AppendX(0, 0, i);
            wnd.AppendY(0, 0, 0, i < 10 ? -40 : 40);
        }
        wnd.EndSegment(0, 0);
        wnd.Finish(0);
        wnd.ShowWindow();
        QApplication::processEvents();
        CGraphWnd* pane = wnd.Pane(0);
        const QImage shown = pane->grab().toImage();
        // Between the two parts, half-way up: only the joining line is there.
        const QPointF middle =
            GraphPainter::Map(pane->Data(), pane->Plot(), 0, 9.5, 0) + QPointF(0.5, 0.5);
        bool red = false;
        for (int dx = -2; dx <= 2; ++dx)
            for (int dy = -2; dy <= 2; ++dy) {
                const QRgb c = shown.pixel(static_cast<int>(middle.x()) + dx,
                                           static_cast<int>(middle.y()) + dy);
                red = red || (qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80);
            }
        EXPECT_EQ(red, secondType == graph::kSegmentLines);
    }
}

TEST_F(GraphWindowTest, ToolbarChecksFollowThePanes) {
    CMultiGraphWnd wnd(nullptr, U("График АЧХ/ФЧХ"), QRect(0, 0, 800, 600));
    ShowTwoRamps(wnd);

    // Save data, copy, restore the interval, ruler and computed points, and the
    // picture export, with their short names.
    QStringList names;
    for (QAction* a : wnd.ToolBar()->actions())
        if (!a->isSeparator())
            names << a->text();
    EXPECT_EQ(names, (QStringList{U("Сохранить данные"), U("Копировать"), U("Сохранить рисунок"),
                                  U("Исходный интервал"), U("Показать линейку"),
                                  U("Показать расчетные точки")}));
    for (int id : {gcmd::SaveAllData, gcmd::CopyAll, gcmd::RestoreAll, gcmd::RulerAll,
                   gcmd::PointsAll, gcmd::SaveAllPicture})
        EXPECT_FALSE(wnd.Action(id)->icon().pixmap(QSize(48, 48)).isNull()) << id;

    QAction* ruler = wnd.Action(gcmd::RulerAll);
    QAction* points = wnd.Action(gcmd::PointsAll);
    QAction* restore = wnd.Action(gcmd::RestoreAll);
    EXPECT_FALSE(ruler->isChecked());
    EXPECT_FALSE(restore->isEnabled());

    wnd.Pane(1)->OnCommand(gcmd::Ruler); // from the pane's context menu
    EXPECT_TRUE(ruler->isChecked());
    wnd.Pane(1)->OnCommand(gcmd::Ruler);
    EXPECT_FALSE(ruler->isChecked());

    wnd.Pane(0)->OnCommand(gcmd::Points);
    EXPECT_TRUE(points->isChecked());

    wnd.Pane(0)->ZoomTo(QPoint(wnd.Pane(0)->Plot().left + 10, wnd.Pane(0)->Plot().top + 10),
                        QPoint(wnd.Pane(0)->Plot().left + 200, wnd.Pane(0)->Plot().top + 100));
    EXPECT_TRUE(restore->isEnabled());

    // The toolbar buttons set every pane to their own state.
    points->trigger(); // unchecks
    EXPECT_FALSE(wnd.Pane(0)->PointsShown());
    EXPECT_FALSE(wnd.Pane(1)->PointsShown());
    ruler->trigger();
    EXPECT_TRUE(wnd.Pane(0)->RulerShown());
    EXPECT_TRUE(wnd.Pane(1)->RulerShown());
    restore->trigger();
    EXPECT_FALSE(wnd.Pane(0)->RangeChanged());
    EXPECT_FALSE(restore->isEnabled());
    ruler->trigger();
    EXPECT_FALSE(wnd.Pane(0)->RulerShown());
}

TEST_F(GraphWindowTest, MinimisingHidesTheRulerWindowsAndRestoringShowsThem) {
    CMultiGraphWnd wnd(nullptr, U("График переходного процесса"), QRect(0, 0, 800, 600));
    wnd.setAttribute(Qt::WA_DontShowOnScreen);
    FillRamp(wnd.Pane(0)->Data(), 100);
    wnd.Finish(0);
    wnd.ShowWindow();
    wnd.Pane(0)->ShowRuler(true);
    ASSERT_NE(wnd.Pane(0)->InfoWnd(), nullptr);
    EXPECT_TRUE(wnd.Pane(0)->InfoWnd()->isVisible());
    EXPECT_EQ(wnd.Pane(0)->InfoWnd()->windowTitle(), U("Линейка"));

    wnd.setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    EXPECT_FALSE(wnd.Pane(0)->InfoWnd()->isVisible());
    wnd.ShowWindow();
    QApplication::processEvents();
    EXPECT_TRUE(wnd.Pane(0)->InfoWnd()->isVisible());
}

TEST_F(GraphWindowTest, TheSchemeWindowFindsAWindowByItsTitleUntilItCloses) {
    auto* wnd = new CMultiGraphWnd(nullptr, U(kTransientGraphTitle), QRect(0, 0, 400, 300));
    wnd->setAttribute(Qt::WA_DontShowOnScreen);
    wnd->ShowWindow();
    EXPECT_EQ(CMultiGraphWnd::Find(U(kTransientGraphTitle)), wnd);
    EXPECT_EQ(CMultiGraphWnd::Find(U(kFrequencyGraphTitle)), nullptr);
    QPointer<CMultiGraphWnd> guard(wnd);
    wnd->close();
    EXPECT_EQ(CMultiGraphWnd::Find(U(kTransientGraphTitle)), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull()) << "closing destroys the window";
}

// ---------------------------------------------------------------------------
// Zoom

TEST_F(GraphWindowTest, ARectangleZoomsOnlyWhenWiderAndHigherThanThreePixels) {
    struct Case {
        int dx;
        int dy;
        bool zooms;
    };
    const Case cases[] = {{4, 4, true}, {3, 50, false}, {50, 3, false}, {-4, -4, true}};
    for (const Case& c : cases) {
        LonePane lone(1000);
        CGraphWnd& pane = lone.pane;
        const QPoint a(pane.Plot().left + 200, pane.Plot().top + 100);
        QTest::mousePress(&pane, Qt::LeftButton, Qt::NoModifier, a);
        QTest::mouseMove(&pane, a + QPoint(c.dx, c.dy));
        QTest::mouseRelease(&pane, Qt::LeftButton, Qt::NoModifier, a + QPoint(c.dx, c.dy));
        EXPECT_EQ(pane.RangeChanged(), c.zooms) << c.dx << "x" << c.dy;
        EXPECT_EQ(pane.CurrentMode(), CGraphWnd::Mode::Idle);
    }
    EXPECT_TRUE(messages.warnings.isEmpty());
}

TEST_F(GraphWindowTest, ZoomTakesTheRectangleAsTheNewRangesAndRestoreBringsBackTheWhole) {
    LonePane lone(1001);
    CGraphWnd& pane = lone.pane;
    const PlotArea plot = pane.Plot();
    const graph::AxisRange before = pane.Data().XAxis();
    // From a quarter to three quarters of the plot, across and down.
    const int x0 = plot.left + (plot.right - plot.left) / 4;
    const int x1 = plot.left + 3 * (plot.right - plot.left) / 4;
    pane.ZoomTo(QPoint(x1, plot.top + 50), QPoint(x0, plot.bottom - 50));
    const graph::AxisRange& x = pane.Data().XAxis();
    const double span = before.shownHigh - before.shownLow;
    EXPECT_NEAR(x.low, before.shownLow + span / 4, span / 500);
    EXPECT_NEAR(x.high, before.shownLow + 3 * span / 4, span / 500);
    EXPECT_EQ(x.initialLow, before.initialLow);
    EXPECT_EQ(x.initialHigh, before.initialHigh);
    EXPECT_LT(pane.Data().Group(0).high, pane.Data().Group(0).initialHigh);

    pane.UpdateMenu();
    QAction* restore = pane.ContextMenu()->actions().front();
    EXPECT_EQ(restore->text(), U("&Исходный интервал"));
    EXPECT_TRUE(restore->isEnabled());
    pane.RestoreInterval();
    EXPECT_EQ(pane.Data().XAxis().low, before.low);
    EXPECT_EQ(pane.Data().XAxis().high, before.high);
    pane.UpdateMenu();
    EXPECT_FALSE(restore->isEnabled());
}

TEST_F(GraphWindowTest, ZoomingBelowTenVisiblePointsWarnsAndRestoreBringsBackTheWhole) {
    LonePane lone(50);
    CGraphWnd& pane = lone.pane;
    const PlotArea plot = pane.Plot();
    int zooms = 0;
    // Each zoom keeps the left fifth of the plot until fewer than ten points show.
    while (messages.warnings.isEmpty() && zooms < 20) {
        pane.ZoomTo(QPoint(plot.left, plot.top + 1),
                    QPoint(plot.left + (plot.right - plot.left) / 5, plot.bottom + 1));
        ++zooms;
    }
    ASSERT_EQ(messages.warnings, QStringList{U("Увеличение масштаба невозможно.")});
    EXPECT_GT(zooms, 1);
    EXPECT_TRUE(pane.ZoomForbidden());
    const graph::AxisRange zoomed = pane.Data().XAxis();
    pane.ZoomTo(QPoint(plot.left, plot.top + 1), QPoint(plot.left + 100, plot.bottom + 1));
    EXPECT_EQ(pane.Data().XAxis().low, zoomed.low) << "a forbidden zoom changes nothing";
    EXPECT_EQ(pane.Data().XAxis().high, zoomed.high);

    pane.RestoreInterval();
    EXPECT_FALSE(pane.RangeChanged());
    pane.ZoomTo(QPoint(plot.left, plot.top + 1), QPoint(plot.left + 100, plot.bottom + 1));
    EXPECT_TRUE(pane.RangeChanged()) << "the whole graph may be zoomed again";
    EXPECT_EQ(messages.warnings.size(), 2) << "no warning after the two refusals";
}

TEST_F(GraphWindowTest, CtrlWheelZoomsTheXRangeAtThePointer) {
    LonePane lone(1000);
    CGraphWnd& pane = lone.pane;
    const PlotArea plot = pane.Plot();
    const double lo = pane.Data().XAxis().shownLow;
    const double hi = pane.Data().XAxis().shownHigh;
    const int pixel = plot.left + (plot.right - plot.left) / 4;
    const double at = lo + (hi - lo) * plot.XFraction(pixel);

    QWheelEvent plain(QPointF(pixel, 100), pane.mapToGlobal(QPointF(pixel, 100)), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&pane, &plain);
    EXPECT_FALSE(pane.RangeChanged()) << "without Ctrl the wheel is not a zoom";

    QWheelEvent wheel(QPointF(pixel, 100), pane.mapToGlobal(QPointF(pixel, 100)), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&pane, &wheel);
    const graph::AxisRange& x = pane.Data().XAxis();
    EXPECT_NEAR(x.high - x.low, 0.8 * (hi - lo), 1e-9 * (hi - lo));
    // The value under the pointer stays where it was.
    EXPECT_NEAR((at - x.low) / (x.high - x.low), (at - lo) / (hi - lo), 1e-9);
    pane.RestoreInterval();
    EXPECT_FALSE(pane.RangeChanged());
}

// ---------------------------------------------------------------------------
// Ruler

TEST_F(GraphWindowTest, RulerAtTheLeftEdgeReadsTheFirstPointAndJumpsWithoutInterpolation) {
    LonePane lone(11); // x = 0..10, y = x
    CGraphWnd& pane = lone.pane;
    pane.ShowRuler(true);
    pane.MoveRulerTo(pane.Plot().left - 30); // clamped to the plot
    EXPECT_EQ(pane.RulerOffset(), 0);
    ASSERT_EQ(pane.Reading().curves.size(), 1u);
    EXPECT_EQ(pane.Reading().curves[0].value, 0);

    struct Case {
        bool interpolate;
        double fraction;
        double expected;
    };
    const double lo = pane.Data().XAxis().shownLow;
    const double hi = pane.Data().XAxis().shownHigh;
    ASSERT_EQ(lo, 0);
    ASSERT_EQ(hi, 10);
    const Case cases[] = {{true, 0.35, 3.5}, {false, 0.35, 3}, {false, 0.39, 3},
                          {false, 0.41, 4},  {true, 1.0, 10},  {false, 1.0, 10}};
    for (const Case& c : cases) {
        GraphProps props = pane.Props();
        props.interpolate = c.interpolate;
        pane.SetProps(props);
        const graph::RulerReading r = graph::ReadRuler(pane.Data(), c.fraction, c.interpolate);
        EXPECT_NEAR(r.curves[0].value, c.expected, 1e-12) << c.interpolate << " " << c.fraction;
    }

    // Dragging the ruler by its line moves it with the pointer.
    GraphProps props = pane.Props();
    props.interpolate = false;
    pane.SetProps(props);
    const PlotArea plot = pane.Plot();
    const int x = plot.left + pane.RulerOffset();
    QTest::mousePress(&pane, Qt::LeftButton, Qt::NoModifier, QPoint(x + 2, plot.top + 20));
    EXPECT_EQ(pane.CurrentMode(), CGraphWnd::Mode::Ruler);
    const int target = plot.left + static_cast<int>(0.72 * (plot.right - plot.left));
    QTest::mouseMove(&pane, QPoint(target, plot.top + 20));
    QTest::mouseRelease(&pane, Qt::LeftButton, Qt::NoModifier, QPoint(target, plot.top + 20));
    EXPECT_EQ(pane.Reading().curves[0].value, 7);
    EXPECT_FALSE(pane.RangeChanged()) << "dragging the ruler is no zoom";
}

TEST_F(GraphWindowTest, RulerWindowListsTheCurvesInTheirColoursAndTheIntegersInWhite) {
    LonePane lone(11, 2);
    CGraphWnd& pane = lone.pane;
    pane.Data().SetIntegerCaption("Итерации");
    for (int i = 0; i < 11; ++i)
        pane.Data().AppendInteger(0, 10 + i);
    pane.DataChanged();
    pane.ShowRuler(true);
    pane.MoveRulerTo(pane.Plot().left + (pane.Plot().right - pane.Plot().left) / 2);
    CInfoWnd* info = pane.InfoWnd();
    ASSERT_NE(info, nullptr);
    ASSERT_EQ(info->Rows().size(), 3u);
    EXPECT_EQ(info->Rows()[0].colour, QColor(255, 0, 0));
    EXPECT_EQ(info->Rows()[1].colour, QColor(0, 0, 255));
    EXPECT_TRUE(info->Rows()[0].text.startsWith(U("u(C1), В = 5")));
    EXPECT_EQ(info->Rows()[2].text, U("Итерации = 15"));
    EXPECT_EQ(info->Rows()[2].colour, QColor(Qt::white));
    EXPECT_TRUE(info->Runs()->isHidden()) << "one run: no run to choose";
    EXPECT_TRUE(info->Caption().startsWith(U("t, с = "))) << info->Caption().toStdString();
    // A hodograph's horizontal axis holds its paired values, not the frequencies.
    pane.Data().SetPaired(true);
    pane.Data().SetPairXCaption("Re");
    pane.DataChanged();
    EXPECT_TRUE(info->Caption().startsWith(U("Re = "))) << info->Caption().toStdString();
    EXPECT_EQ(GraphPainter::HorizontalCaption(pane.Data()), "Re");

    // Closing the ruler window takes the ruler away.
    info->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(pane.RulerShown());
    EXPECT_EQ(pane.InfoWnd(), nullptr);
}

TEST_F(GraphWindowTest, RulerWindowChoosesTheRunOfASweep) {
    CGraphWnd pane(0);
    pane.resize(600, 400);
    FillRamp(pane.Data(), 11, 1, 3);
    pane.Data().SetRunLabel("R(R1), Ом");
    pane.DataChanged();
    pane.ShowRuler(true);
    pane.MoveRulerTo(pane.Plot().right);
    QComboBox* runs = pane.InfoWnd()->Runs();
    ASSERT_FALSE(runs->isHidden());
    ASSERT_EQ(runs->count(), 3);
    EXPECT_EQ(runs->itemText(1), U("R(R1), Ом = 2"));
    EXPECT_EQ(pane.Reading().curves[0].value, 10);
    emit runs->activated(2);
    EXPECT_EQ(pane.Data().SelectedRun(), 2);
    EXPECT_EQ(pane.Reading().curves[0].value, 30);
}

TEST_F(GraphWindowTest, ClickNearACurveChoosesItsCurveAndRunForTheRuler) {
    CGraphWnd pane(0);
    pane.resize(600, 400);
    FillRamp(pane.Data(), 11, 2, 3); // curve c of run r: y = (c + 1)(r + 1) x
    pane.DataChanged();
    pane.ShowRuler(true);
    struct Case {
        int curve;
        int run;
    };
    // Slopes 4, 3 and 6: no other curve of any run shares them.
    for (const Case& c : {Case{1, 1}, Case{0, 2}, Case{1, 2}}) {
        // A point at x = 3, two pixels off the line.
        const double y = (c.curve + 1) * (c.run + 1) * 3.0;
        const QPointF at = GraphPainter::Map(pane.Data(), pane.Plot(), c.curve, 3, y);
        QTest::mouseClick(&pane, Qt::LeftButton, Qt::NoModifier, at.toPoint() + QPoint(0, 2));
        EXPECT_EQ(pane.Data().SelectedRun(), c.run);
        EXPECT_EQ(pane.RulerCurve(), c.curve);
        ASSERT_EQ(pane.InfoWnd()->Rows().size(), 2u);
        EXPECT_EQ(pane.InfoWnd()->Rows()[static_cast<std::size_t>(c.curve)].chosen, true);
        EXPECT_EQ(pane.InfoWnd()->Rows()[static_cast<std::size_t>(1 - c.curve)].chosen, false);
    }
    // A click far from every curve changes nothing.
    QTest::mouseClick(&pane, Qt::LeftButton, Qt::NoModifier,
                      QPoint(pane.Plot().right - 5, pane.Plot().bottom - 5));
    EXPECT_EQ(pane.Data().SelectedRun(), 2);
    EXPECT_FALSE(pane.RangeChanged());
}

TEST(RulerCaptionTest, DecibelScaleShowsTheNameWithDecibels) {
    struct Case {
        const char* caption;
        const char* shown;
    };
    const Case cases[] = {
        {"K(U2/U1), В/В", "K(U2/U1), дБ"}, {"АЧХ", "АЧХ, дБ"}, {"a, b, c", "a, дБ"}};
    for (const Case& c : cases)
        EXPECT_EQ(graph::DecibelCaption(c.caption), c.shown);

    graph::GraphData data;
    data.SetCounts(1, 1);
    data.SetCurveName(0, "K(U2/U1), В/В");
    data.SetScales(0, 0, static_cast<int>(graph::ScaleKind::Decibel), 4);
    data.BeginSegment(0, graph::kSegmentLines);
    for (double x : {1.0, 2.0}) {
        data.AppendX(0, x);
        data.AppendY(0, 0, 10 * x);
    }
    data.SetXRange(1, 2);
    data.Finish();
    data.XAxis().shownLow = 1;
    data.XAxis().shownHigh = 2;
    const graph::RulerReading r = graph::ReadRuler(data, 0, true);
    EXPECT_EQ(r.curves[0].label, "K(U2/U1), дБ");
    EXPECT_NEAR(r.curves[0].value, 20, 1e-12);
}

// ---------------------------------------------------------------------------
// Context menu and properties

TEST_F(GraphWindowTest, ContextMenuHasTheCommandsInOrder) {
    LonePane lone(100);
    QStringList texts;
    std::vector<int> ids;
    for (QAction* a : lone.pane.ContextMenu()->actions()) {
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
        ids.push_back(a->isSeparator() ? 0 : a->data().toInt());
    }
    EXPECT_EQ(texts,
              (QStringList{U("&Исходный интервал"), U("Показать &линейку"),
                           U("&Показать расчетные точки"), QStringLiteral("-"), U("&Копировать"),
                           U("&Сохранить данные..."), U("Сохранить &рисунок..."),
                           QStringLiteral("-"), U("&Установки...")}));
    EXPECT_EQ(ids, (std::vector<int>{132, 133, 134, 0, 135, 136, 138, 0, 137}));
}

class ScriptedProps : public GraphWndDialogs {
public:
    bool Properties(QWidget*, GraphProps& props) override {
        ++calls;
        seen = props;
        if (!answer)
            return false;
        props = *answer;
        return true;
    }
    int calls = 0;
    GraphProps seen;
    std::optional<GraphProps> answer;
};

TEST_F(GraphWindowTest, DoubleClickOpensThePropertiesExceptOnTheRuler) {
    ScriptedProps dialogs;
    SetGraphWndDialogs(&dialogs);
    LonePane lone(100);
    CGraphWnd& pane = lone.pane;
    pane.Data().SetTitle("АЧХ");
    pane.Data().SetScales(1, 1 | 2, 1, 1 | 2 | 4);
    pane.DataChanged();
    pane.ShowRuler(true);
    const PlotArea plot = pane.Plot();
    QTest::mouseDClick(&pane, Qt::LeftButton, Qt::NoModifier,
                       QPoint(plot.left + pane.RulerOffset() + 1, plot.top + 30));
    EXPECT_EQ(dialogs.calls, 0);

    GraphProps wanted = DefaultGraphProps();
    wanted.title = "Новый заголовок";
    wanted.yScale = 2;
    wanted.xScale = 2;
    wanted.titleFont.height = 200;
    dialogs.answer = wanted;
    const int leftBefore = plot.left;
    QTest::mouseDClick(&pane, Qt::LeftButton, Qt::NoModifier,
                       QPoint(plot.left + 300, plot.top + 30));
    ASSERT_EQ(dialogs.calls, 1);
    EXPECT_EQ(dialogs.seen.title, "АЧХ");
    EXPECT_EQ(dialogs.seen.xMask, 3);
    EXPECT_EQ(dialogs.seen.yMask, 7);
    EXPECT_EQ(pane.Data().Title(), "Новый заголовок");
    EXPECT_EQ(pane.Data().YScale(), graph::ScaleKind::Logarithmic);
    EXPECT_EQ(pane.Data().XScale(), graph::ScaleKind::Logarithmic);
    EXPECT_GT(pane.Plot().top, plot.top) << "the larger title font moves the plot down";
    (void)leftBefore;
    SetGraphWndDialogs(nullptr);
}

// ---------------------------------------------------------------------------
// Data export

TEST_F(GraphWindowTest, WindowExportPutsPaneZerosColumnsFirst) {
    TempFolder folder;
    CMultiGraphWnd wnd(nullptr, U("График АЧХ/ФЧХ"), QRect(0, 0, 600, 400));
    wnd.setAttribute(Qt::WA_DontShowOnScreen);
    wnd.SetPaneCount(2);
    FillRamp(wnd.Pane(0)->Data(), 3);
    FillRamp(wnd.Pane(1)->Data(), 3);
    wnd.Pane(0)->Data().SetCurveName(0, "K");
    wnd.Pane(1)->Data().SetCurveName(0, "arg[K], град");
    wnd.Finish(graph::kAllPanes);
    files.answer = QString::fromStdString(folder / "Data.txt");
    wnd.OnCommand(gcmd::SaveAllData);
    ASSERT_TRUE(ExportsEnded());

    EXPECT_EQ(files.proposed, QStringLiteral("Data.txt"));
    EXPECT_EQ(files.filters, (QStringList{U("Текстовые файлы (*.txt)"), U("Файлы CSV (*.csv)")}));
    const std::vector<std::string> lines =
        Lines(model::Cp1251ToUtf8(ReadFile(folder / "Data.txt")));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "* Данные графика[График АЧХ/ФЧХ]. KORVANIX 1.1");
    EXPECT_EQ(lines[1], std::string(80, '*'));
    EXPECT_EQ(lines[2], "t, с           K                arg[K], град     ");
    EXPECT_EQ(lines[4], "1              1                1                ");
    EXPECT_TRUE(messages.warnings.isEmpty());
    EXPECT_EQ(wnd.statusBar()->currentMessage(), U("Сохранение завершено."));
    EXPECT_TRUE(wnd.isEnabled()) << "the window is enabled again";
}

// Follows the progress dialog of an export from the moment it shows: every text
// it is given, and a press of "Стоп" once a chosen text shows.
class ProgressWatch : public QObject {
public:
    explicit ProgressWatch(QString stopAt = {}) : stopAt_(std::move(stopAt)) {
        qApp->installEventFilter(this);
    }
    ~ProgressWatch() override { qApp->removeEventFilter(this); }

    QStringList percents;
    QString title;
    QString fileCaption;
    QString fileName;
    bool stopped = false;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* dialog = qobject_cast<CAbortDlg*>(object);
        if (dialog && event->type() == QEvent::Show && dialog != watched_) {
            watched_ = dialog;
            title = dialog->windowTitle();
            fileCaption = dialog->RowCaption(0);
            fileName = dialog->RowText(0);
            connect(dialog, &CAbortDlg::rowTextChanged, this,
                    [this, dialog](int row, const QString& text) {
                        if (row != 1 || text.isEmpty())
                            return;
                        percents << text;
                        if (!stopped && text == stopAt_) {
                            stopped = true;
                            QTest::mouseClick(dialog->StopButton(), Qt::LeftButton);
                        }
                    });
        }
        return false;
    }

private:
    QString stopAt_;
    QPointer<CAbortDlg> watched_;
};

TEST_F(GraphWindowTest, ThousandPointsShowProgressInStepsOfFivePerCent) {
    TempFolder folder;
    LonePane lone(1000);
    files.answer = QString::fromStdString(folder / "out.txt");
    ProgressWatch watch;
    QString status;
    QObject::connect(&lone.pane, &CGraphWnd::statusMessage, [&](const QString& s) { status = s; });
    lone.pane.SaveData();
    ASSERT_TRUE(ExportsEnded());

    QStringList expected;
    for (int p = 0; p <= 95; p += 5)
        expected << QStringLiteral("%1 %").arg(p);
    // The first update comes after line 0: (0 * 100 + 100) / 1000 = 0; none says 100.
    EXPECT_EQ(watch.percents, expected);
    EXPECT_EQ(watch.title, U("Сохранение..."));
    EXPECT_EQ(watch.fileCaption, U("Имя Файла :"));
    EXPECT_EQ(watch.fileName, QStringLiteral("out.txt"));
    EXPECT_EQ(status, U("Сохранение завершено."));
    EXPECT_EQ(Lines(ReadFile(folder / "out.txt")).size(), 1003u);
    EXPECT_EQ(FindTopLevel("ABORTDLG"), nullptr) << "the progress dialog goes";
}

// A table cut short is no result: Stop keeps what the chosen file held and
// says the export was broken off.
TEST_F(GraphWindowTest, StopKeepsTheOldFileAndSaysSo) {
    TempFolder folder;
    const std::string path = folder / "out.txt";
    WriteText(path, "old");
    LonePane lone(1000);
    files.answer = QString::fromStdString(path);
    ProgressWatch watch(QStringLiteral("25 %"));
    // The worker waits after line 500 until Stop has reached it, so the press
    // always comes in the middle.
    DataExportJob::SetLineHook([](int line, const std::atomic<bool>& stop) {
        if (line == 500)
            for (int i = 0; i < 2000 && !stop; ++i)
                QThread::msleep(5);
    });
    QString status;
    QObject::connect(&lone.pane, &CGraphWnd::statusMessage, [&](const QString& s) { status = s; });
    lone.pane.SaveData();
    EXPECT_FALSE(lone.pane.isEnabled()) << "the window waits for the export";
    ASSERT_TRUE(ExportsEnded());
    DataExportJob::SetLineHook(nullptr);

    ASSERT_TRUE(watch.stopped);
    EXPECT_EQ(ReadFile(path), "old");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"out.txt"}) << "no temporary file is left";
    EXPECT_EQ(status, U("Сохранение прервано."));
    EXPECT_TRUE(messages.warnings.isEmpty());
    EXPECT_TRUE(lone.pane.isEnabled());
    EXPECT_EQ(FindTopLevel("ABORTDLG"), nullptr) << "the progress dialog goes";
}

// The export reads copies: the window may close while the worker writes, and
// the whole table still reaches the file.
TEST_F(GraphWindowTest, ClosingTheWindowDuringAnExportLosesNothing) {
    TempFolder folder;
    const std::string path = folder / "out.txt";
    auto lone = std::make_unique<LonePane>(1000);
    files.answer = QString::fromStdString(path);
    std::atomic<bool> release{false};
    DataExportJob::SetLineHook([&release](int line, const std::atomic<bool>&) {
        if (line == 100)
            for (int i = 0; i < 2000 && !release; ++i)
                QThread::msleep(5);
    });
    lone->pane.SaveData();
    lone.reset();
    release = true;
    ASSERT_TRUE(ExportsEnded());
    DataExportJob::SetLineHook(nullptr);
    EXPECT_EQ(Lines(ReadFile(path)).size(), 1003u);
    EXPECT_TRUE(messages.warnings.isEmpty());
}

TEST_F(GraphWindowTest, ExportFailuresKeepTheOldFileAndSaySo) {
    TempFolder folder;
    LonePane lone(10);

    // A folder that does not exist.
    files.answer = QString::fromStdString(folder / "missing/out.txt");
    lone.pane.SaveData();
    ASSERT_TRUE(ExportsEnded());
    ASSERT_EQ(messages.warnings.size(), 1);
    EXPECT_EQ(messages.warnings[0],
              U("Не удается открыть файл out.txt для записи.\nСохранение не выполнено."));

    // A read-only file the user does not allow to be overwritten.
    const std::string path = folder / "ro.txt";
    WriteText(path, "keep");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    files.answer = QString::fromStdString(path);
    messages.answer = Reply::No;
    lone.pane.SaveData();
    ASSERT_EQ(messages.questions.size(), 1);
    EXPECT_EQ(ReadFile(path), "keep");

    // The same file, allowed.
    messages.answer = Reply::Yes;
    lone.pane.SaveData();
    ASSERT_TRUE(ExportsEnded());
    EXPECT_EQ(Lines(ReadFile(path)).size(), 13u);
}

// A file that may not grow past 4 KiB: writes beyond fail as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

TEST_F(GraphWindowTest, AFailedWriteKeepsTheOldFileAndSaysSo) {
    TempFolder folder;
    const std::string path = folder / "out.txt";
    WriteText(path, "old");
    LonePane lone(5000);
    files.answer = QString::fromStdString(path);
    QString status;
    QObject::connect(&lone.pane, &CGraphWnd::statusMessage, [&](const QString& s) { status = s; });
    {
        FileSizeLimit limit(4096);
        lone.pane.SaveData();
        ASSERT_TRUE(ExportsEnded());
    }
    EXPECT_EQ(messages.warnings, QStringList{U("Ошибка записи в файл out.txt")});
    EXPECT_EQ(ReadFile(path), "old");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"out.txt"}) << "no temporary file is left";
    EXPECT_TRUE(status.isEmpty());

    // The picture export alike.
    messages.warnings.clear();
    files.answer = QString::fromStdString(folder / "out.svg");
    {
        FileSizeLimit limit(1024);
        lone.pane.SavePicture();
    }
    EXPECT_EQ(messages.warnings, QStringList{U("Ошибка записи в файл out.svg")});
    EXPECT_FALSE(std::filesystem::exists(folder / "out.svg"));
}

// The window's CSV and the batch tool's, for a swept transient run and a
// frequency run over two panes without a sweep.
TEST_F(GraphWindowTest, CsvEqualsTheBatchTools) {
    struct Case {
        const char* example;
        bool frequency;
        bool sweep;
    };
    const Case cases[] = {{"rlc_series.scm", false, true}, {"opamp_inverting.scm", true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.example);
        TempFolder folder;
        const QString path = QStringLiteral(KORVANIX_SOURCE_DIR "/examples/") + c.example;
        document::Document doc;
        ASSERT_TRUE(doc.Open(path.toStdString()).read);
        CMultiGraphWnd wnd(nullptr, U(c.frequency ? kFrequencyGraphTitle : kTransientGraphTitle),
                           QRect(0, 0, 800, 600));
        wnd.setAttribute(Qt::WA_DontShowOnScreen);
        struct Quiet : analysis::ProgressReporter, engine::EngineNotifier {
            void ShowPercent(const std::string&) override {}
            void ShowRun(const std::string&) override {}
            bool Continue() override { return true; }
            void Warning(const std::string&) override {}
            void LoopWarning(const std::string&, const std::string&) override {}
            void PlainMessage(const std::string&) override {}
        } quiet;
        const analysis::DocumentAnalysisResult result =
            analysis::RunDocumentAnalysis(doc, c.frequency, wnd, quiet, quiet);
        ASSERT_EQ(result.outcome, analysis::DocumentAnalysisOutcome::Success);
        ASSERT_EQ(result.sweep, c.sweep);
        ASSERT_EQ(wnd.Pane(0)->Data().RunCount() > 1, c.sweep);

        files.answer = QString::fromStdString(folder / "out.csv");
        files.answerFilter = 1;
        wnd.OnCommand(gcmd::SaveAllData);
        ASSERT_TRUE(ExportsEnded());
        ASSERT_TRUE(messages.warnings.isEmpty()) << messages.warnings.join('\n').toStdString();

        QProcess cli;
        cli.start(QStringLiteral(KORVANIX_CLI),
                  {c.frequency ? QStringLiteral("frequency") : QStringLiteral("transient"), path,
                   QStringLiteral("--csv"), QStringLiteral("--quiet")});
        ASSERT_TRUE(cli.waitForFinished(60000));
        ASSERT_EQ(cli.exitCode(), 0);
        const QByteArray expected = cli.readAllStandardOutput();
        ASSERT_FALSE(expected.isEmpty());
        EXPECT_EQ(QByteArray::fromStdString(ReadFile(folder / "out.csv")), expected);
    }
}

// ---------------------------------------------------------------------------
// Pictures

TEST_F(GraphWindowTest, CopyPutsAnImageOfTheWindowsSizeOnTheClipboard) {
    CMultiGraphWnd wnd(nullptr, U(kFrequencyGraphTitle), QRect(0, 0, 640, 480));
    ShowTwoRamps(wnd);
    QApplication::processEvents();
    wnd.OnCommand(gcmd::CopyAll);
    const QImage image = QGuiApplication::clipboard()->image();
    EXPECT_EQ(image.size(), wnd.PictureSize());
    EXPECT_EQ(wnd.statusBar()->currentMessage(), U("Копирование завершено."));
    // Both panes are in it: red curve pixels in the upper and the lower half.
    auto redIn = [&](int top, int bottom) {
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                if (qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80)
                    return true;
            }
        return false;
    };
    EXPECT_TRUE(redIn(0, image.height() / 2));
    EXPECT_TRUE(redIn(image.height() / 2, image.height()));

    LonePane lone(100, 1, QSize(300, 200));
    lone.pane.CopyPicture();
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(300, 200));
}

// The stroke colour and the drawing of every <path> of an SVG document (the
// generator puts the pen on the enclosing group).
std::vector<std::pair<QString, QString>> SvgPaths(const QByteArray& svg) {
    std::vector<std::pair<QString, QString>> paths;
    std::vector<QString> strokes{QStringLiteral("black")};
    QXmlStreamReader xml(svg);
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const auto stroke = xml.attributes().value(QStringLiteral("stroke"));
            strokes.push_back(stroke.isEmpty() ? strokes.back() : stroke.toString());
            if (xml.name() == QLatin1String("path"))
                paths.emplace_back(strokes.back(),
                                   xml.attributes().value(QStringLiteral("d")).toString());
        } else if (token == QXmlStreamReader::EndElement) {
            strokes.pop_back();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return paths;
}

TEST_F(GraphWindowTest, SvgHoldsOnePathPerCurveAndRealText) {
    LonePane lone(5000, 2);
    lone.pane.Data().SetTitle("АЧХ");
    lone.pane.DataChanged();
    const QByteArray svg = PictureBytes(
        PictureFormat::Svg, lone.pane.size(), 1, [&](QPainter& p) { lone.pane.Render(p); },
        U("АЧХ"));
    ASSERT_FALSE(svg.isEmpty());
    const auto paths = SvgPaths(svg);
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(paths[0].first, QStringLiteral("#ff0000"));
    EXPECT_EQ(paths[1].first, QStringLiteral("#0000ff"));
    EXPECT_TRUE(svg.contains(U("АЧХ").toUtf8())) << "the title is text, not outlines";
    // Every point is kept: one move and 4999 lines.
    EXPECT_EQ(paths[0].second.count(QLatin1Char('L')), 4999);
}

TEST_F(GraphWindowTest, PdfHasOnePageAndPngHasTheScaleAskedFor) {
    LonePane lone(100, 1, QSize(400, 300));
    const PictureRenderer render = [&](QPainter& p) { lone.pane.Render(p); };
    const QByteArray pdf = PictureBytes(PictureFormat::Pdf, QSize(400, 300), 1, render, U("x"));
    ASSERT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_EQ(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "),
              1);
    EXPECT_EQ(pdf.count("/Type /Pages"), 1);

    for (int scale : {1, 2, 4}) {
        QImage image;
        ASSERT_TRUE(image.loadFromData(
            PictureBytes(PictureFormat::Png, QSize(400, 300), scale, render, U("x")), "PNG"));
        EXPECT_EQ(image.size(), QSize(400, 300) * scale) << scale;
    }
}

TEST_F(GraphWindowTest, SavePictureWritesTheChosenFormatAndKeepsTheOldFileOnFailure) {
    TempFolder folder;
    LonePane lone(100, 1, QSize(400, 300));
    struct Case {
        const char* name;
        int filter;
        const char* magic;
    };
    const Case cases[] = {{"g.png", 1, "\x89PNG"}, {"g.svg", 3, "<?xml"}, {"g.pdf", 4, "%PDF-"}};
    for (const Case& c : cases) {
        files.answer = QString::fromStdString(folder / c.name);
        files.answerFilter = c.filter;
        lone.pane.SavePicture();
        EXPECT_EQ(ReadFile(folder / c.name).rfind(c.magic, 0), 0u) << c.name;
    }
    QImage twice;
    ASSERT_TRUE(twice.load(QString::fromStdString(folder / "g.png")));
    EXPECT_EQ(twice.size(), QSize(800, 600)) << "the 2x type";
    EXPECT_TRUE(messages.warnings.isEmpty());

    files.answer = QString::fromStdString(folder / "nowhere/g.png");
    lone.pane.SavePicture();
    ASSERT_EQ(messages.warnings.size(), 1);
    EXPECT_EQ(messages.warnings[0],
              U("Не удается открыть файл g.png для записи.\nСохранение не выполнено."));
}

TEST_F(GraphWindowTest, DecimatedCurveLooksLikeEverySegmentDrawn) {
    LonePane lone(200000, 1, QSize(500, 300));
    graph::GraphData& data = lone.pane.Data();
    data.SetCounts(1, 1);
    data.SetExpectedPoints(200000);
    data.BeginSegment(0, graph::kSegmentLines);
    for (int i = 0; i < 200000; ++i) {
        const double t = i / 200000.0;
        data.AppendX(0, t);
        data.AppendY(0, 0, std::sin(40 * t) + 0.3 * std::sin(9000 * t));
    }
    data.EndSegment(0);
    data.SetXRange(0, 1);
    data.Finish();
    lone.pane.DataChanged();
    auto draw = [&](bool decimate) {
        QImage image(lone.pane.size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        PaintOptions options;
        options.decimate = decimate;
        GraphPainter::Paint(p, data, lone.pane.Fonts(), lone.pane.Plot(), options);
        return image;
    };
    const QImage fast = draw(true);
    const QImage full = draw(false);
    auto red = [](const QImage& image, int x, int y) {
        if (x < 0 || y < 0 || x >= image.width() || y >= image.height())
            return false;
        const QRgb c = image.pixel(x, y);
        return qRed(c) > 200 && qGreen(c) < 100 && qBlue(c) < 100;
    };
    // A curve pixel of one picture with none of the other's within a pixel.
    auto stray = [&](const QImage& a, const QImage& b) {
        long count = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                if (!red(a, x, y))
                    continue;
                bool near = false;
                for (int dy = -1; dy <= 1 && !near; ++dy)
                    for (int dx = -1; dx <= 1 && !near; ++dx)
                        near = red(b, x + dx, y + dy);
                count += near ? 0 : 1;
            }
        return count;
    };
    auto inked = [&](const QImage& image) {
        long count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += red(image, x, y) ? 1 : 0;
        return count;
    };
    ASSERT_GT(inked(full), 10000);
    // No holes in the band either: as many curve pixels, up to its edges.
    EXPECT_NEAR(inked(fast), inked(full), inked(full) / 100.0);
    EXPECT_EQ(stray(fast, full), 0);
    EXPECT_EQ(stray(full, fast), 0);
}

// ---------------------------------------------------------------------------
// Bad data

TEST_F(GraphWindowTest, BadDataIsDrawnAsFarAsItCanBeAndExportsStayValid) {
    TempFolder folder;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        std::vector<double> ys;
        double xLow;
        double xHigh;
        int runs;
        std::string title;
    };
    const std::vector<Case> cases = {
        {"not numbers", {0, nan, 2, inf, -inf, 5}, 0, 5, 1, "NaN"},
        {"empty", {}, 0, 1, 1, ""},
        {"one point", {3}, 0, 0, 1, ""},
        {"zero-width x range", {1, 2, 3}, 2, 2, 1, ""},
        {"huge", {1e300, -1e300, 1e-300}, 0, 2, 1, ""},
        {"ten thousand runs", {1, 2}, 0, 1, 10000, ""},
        {"long title", {1, 2, 3}, 0, 2, 1, std::string(300, 'x')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CGraphWnd pane(0);
        pane.resize(500, 300);
        graph::GraphData& data = pane.Data();
        data.SetCounts(2, c.runs);
        data.SetExpectedPoints(static_cast<int>(c.ys.size()));
        data.SetTitle(c.title);
        for (int run = 0; run < c.runs; ++run) {
            data.BeginSegment(run, run % 2 ? graph::kSegmentPoints : graph::kSegmentLines);
            for (std::size_t i = 0; i < c.ys.size(); ++i) {
                data.AppendX(run, static_cast<double>(i));
                data.AppendY(0, run, c.ys[i]);
                data.AppendY(1, run, -c.ys[i]);
            }
            data.EndSegment(run);
        }
        data.SetXRange(c.xLow, c.xHigh);
        data.Finish();
        pane.DataChanged();
        pane.ShowRuler(true);
        pane.ShowPoints(true);
        QImage image(pane.size(), QImage::Format_RGB32);
        {
            QPainter p(&image);
            pane.Render(p);
        }
        pane.MoveRulerTo(pane.Plot().left + 10);
        pane.ZoomTo(QPoint(pane.Plot().left + 5, pane.Plot().top + 5),
                    QPoint(pane.Plot().left + 100, pane.Plot().top + 100));
        pane.RestoreInterval();
        EXPECT_FALSE(
            PictureBytes(
                PictureFormat::Svg, pane.size(), 1, [&](QPainter& p) { pane.Render(p); }, QString())
                .isEmpty());
        files.answer = QString::fromStdString(folder / "bad.txt");
        pane.SaveData();
        ASSERT_TRUE(ExportsEnded());
        EXPECT_GE(Lines(ReadFile(folder / "bad.txt")).size(), 4u);
        pane.ShowRuler(false);
        messages.warnings.clear();
    }
}

TEST_F(GraphWindowTest, LivePointsAreDrawnAsTheyCome) {
    CMultiGraphWnd wnd(nullptr, U(kTransientGraphTitle), QRect(0, 0, 600, 400));
    wnd.setAttribute(Qt::WA_DontShowOnScreen);
    wnd.SetCounts(0, 1, 1);
    wnd.SetExpectedPoints(0, 100);
    wnd.SetXRange(0, 0, 199);
    wnd.SetLiveDrawing(0, true);
    wnd.ShowWindow();
    QApplication::processEvents();
    CGraphWnd* pane = wnd.Pane(0);
    pane->repaint(); // the empty picture, ranges as the analysis set them
    wnd.BeginSegment(0, 0, graph::kSegmentLines);
    for (int i = 0; i < 100; ++i) {
        wnd.AppendX(0, 0, i);
        wnd.AppendY(0, 0, 0, 40 * std::sin(i / 10.0));
    }
    const auto redPixels = [pane] {
        const QImage shown = pane->grab().toImage();
        int red = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const QRgb c = shown.pixel(x, y);
                if (qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80)
                    ++red;
            }
        return red;
    };
    // Points wait for the next pass of the analysis's event loop, which draws
    // everything that came since the last one.
    EXPECT_EQ(redPixels(), 0);
    wnd.FlushLive();
    EXPECT_GT(redPixels(), 50) << "the curve shows before the analysis finishes";
    const int drawn = redPixels();
    for (int i = 100; i < 120; ++i) {
        wnd.AppendX(0, 0, i);
        wnd.AppendY(0, 0, 0, 40);
    }
    wnd.FlushLive();
    EXPECT_GT(redPixels(), drawn) << "later points are added to the picture";
}

// A part of points is drawn live as the finished picture draws it: squares at
// the points and nothing between them.
TEST_F(GraphWindowTest, LivePointsOfAPartOfPointsAreSquares) {
    CMultiGraphWnd wnd(nullptr, U(kTransientGraphTitle), QRect(0, 0, 600, 400));
    wnd.setAttribute(Qt::WA_DontShowOnScreen);
    wnd.SetCounts(0, 1, 1);
    wnd.SetExpectedPoints(0, 10);
    wnd.SetXRange(0, 0, 2);
    wnd.SetLiveDrawing(0, true);
    wnd.ShowWindow();
    QApplication::processEvents();
    CGraphWnd* pane = wnd.Pane(0);
    pane->repaint();
    wnd.BeginSegment(0, 0, graph::kSegmentPoints);
    for (int i = 0; i < 3; ++i) {
        wnd.AppendX(0, 0, i);
        wnd.AppendY(0, 0, 0, 0);
    }
    wnd.FlushLive();
    const QImage shown = pane->grab().toImage();
    const auto redAt = [&](double x) {
        const QPointF at =
            GraphPainter::Map(pane->Data(), pane->Plot(), 0, x, 0) + QPointF(0.5, 0.5);
        const QRgb c = shown.pixel(static_cast<int>(at.x()), static_cast<int>(at.y()));
        return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80;
    };
    EXPECT_TRUE(redAt(1));
    EXPECT_FALSE(redAt(0.5)) << "points of a part of points are not joined";
}

// ---------------------------------------------------------------------------
// The picture tool

TEST(SnapshotToolTest, WritesTheGraphWindowOfEitherAnalysis) {
    TempFolder folder;
    // A circuit without a harmonic source has no frequency response.
    {
        struct NoPrompts : document::DocumentPrompts {
            document::Answer Ask(const std::string&, bool) override { return document::Answer::No; }
            void Warn(const std::string&) override {}
            bool ChooseSavePath(const std::string&, std::string&) override { return false; }
        } prompts;
        document::Document doc;
        model::Scheme& s = doc.scheme;
        model::Element* source = s.PlaceNew(model::kind::VoltageSource, 100, 100);
        model::Element* r = s.PlaceNew(model::kind::Resistor, 300, 100);
        s.Join(source, 2, r, 1);
        s.Join(source, 1, s.PlaceNew(model::kind::Ground, 100, 300), 1);
        s.Join(r, 2, s.PlaceNew(model::kind::Ground, 300, 300), 1);
        s.RenumberNodes();
        s.RenumberNames();
        ASSERT_TRUE(doc.SaveAs(folder / "dc.scm", prompts).saved);
    }
    struct Case {
        const char* flag;
        const char* example;
        const char* out;
        const char* magic;
        int code;
    };
    const Case cases[] = {
        {"--transient", "rlc_series.scm", "t.svg", "<?xml", 0},
        {"--scheme", "rlc_series.scm", "s.pdf", "%PDF-", 0},
        {"--scheme", "opamp_inverting.scm", "s.png", "\x89PNG", 0},
        {"--frequency", "opamp_inverting.scm", "f.pdf", "%PDF-", 0},
        {"--transient", "rc_lowpass.scm", "t.png", "\x89PNG", 0},
        {"--frequency", "dc.scm", "none.png", "", 3},
    };
    for (const Case& c : cases) {
        QProcess tool;
        tool.start(QStringLiteral(KORVANIX_SNAPSHOT),
                   {QString::fromLatin1(c.flag),
                    QString::fromLatin1(c.example) == QStringLiteral("dc.scm")
                        ? QString::fromStdString(folder / "dc.scm")
                        : QStringLiteral(KORVANIX_SOURCE_DIR "/examples/") +
                              QString::fromLatin1(c.example),
                    QString::fromStdString(folder / c.out), QStringLiteral("800x600")});
        ASSERT_TRUE(tool.waitForFinished(120000));
        EXPECT_EQ(tool.exitCode(), c.code) << c.out << tool.readAllStandardError().toStdString();
        if (c.code == 0)
            EXPECT_EQ(ReadFile(folder / c.out).rfind(c.magic, 0), 0u) << c.out;
        else
            EXPECT_FALSE(std::filesystem::exists(folder / c.out));
    }
}

} // namespace
} // namespace korvanix::gui

// A graph pane redrawn with one long curve: the whole paint (grid, labels and
// the curve) into an image of a window's size, as a repaint of the window does.
#include "graph/GraphData.h"
#include "gui/CGraphWnd.h"
#include "gui/GraphPainter.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

using namespace korvanix;

constexpr int kWidth = 1200;
constexpr int kHeight = 700;

// A damped oscillation with a ripple, so that every pixel column holds a spread of
// values, as a long transient run gives.
void Fill(graph::GraphData& data, int points, bool paired) {
    data.Reset();
    data.SetPaired(paired);
    data.SetCounts(1, 1);
    data.SetExpectedPoints(points);
    data.SetCurveName(0, "u(C1), В");
    data.SetXCaption("t, с");
    data.SetXRange(0, 1);
    data.BeginSegment(0, graph::kSegmentLines);
    for (int i = 0; i < points; ++i) {
        const double t = static_cast<double>(i) / points;
        const double y = std::exp(-3 * t) * std::sin(60 * t) + 0.05 * std::sin(7000 * t);
        data.AppendX(0, t);
        if (paired)
            data.AppendPair(0, 0, std::exp(-3 * t) * std::cos(60 * t), y);
        else
            data.AppendY(0, 0, y);
    }
    data.EndSegment(0);
    data.Finish();
}

void Redraw(benchmark::State& state, bool paired, bool decimate) {
    gui::CGraphWnd pane(0);
    pane.resize(kWidth, kHeight);
    Fill(pane.Data(), static_cast<int>(state.range(0)), paired);
    pane.DataChanged();
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    gui::PaintOptions options;
    options.decimate = decimate;
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter p(&image);
        benchmark::DoNotOptimize(
            gui::GraphPainter::Paint(p, pane.Data(), pane.Fonts(), pane.Plot(), options));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_RedrawCurve(benchmark::State& state) {
    Redraw(state, false, true);
}
BENCHMARK(BM_RedrawCurve)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Every segment drawn: what an export does, and what the window would cost without
// the per-column reduction.
void BM_RedrawCurveEverySegment(benchmark::State& state) {
    Redraw(state, false, false);
}
BENCHMARK(BM_RedrawCurveEverySegment)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_RedrawHodograph(benchmark::State& state) {
    Redraw(state, true, true);
}
BENCHMARK(BM_RedrawHodograph)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

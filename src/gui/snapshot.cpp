// Renders the main window with a document open, or the graph window of one of its
// analyses, into a picture file, without a display, without the single-instance
// lock and without touching the user's settings.
#include "analysis/DocumentAnalysis.h"
#include "analysis/ProgressReporter.h"
#include "engine/EngineNotifier.h"
#include "gui/CMainWnd.h"
#include "gui/CMultiGraphWnd.h"
#include "gui/CSchemeWnd.h"
#include "gui/GraphExport.h"
#include "gui/SchemePicture.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>

#include <cstdio>
#include <string>

namespace {

const char* const kUsage =
    "usage: korvanix-snapshot FILE.scm OUT.png [WIDTHxHEIGHT]\n"
    "       korvanix-snapshot --transient|--frequency FILE.scm OUT.png|OUT.svg|OUT.pdf "
    "[WIDTHxHEIGHT]\n"
    "       korvanix-snapshot --scheme FILE.scm OUT.png|OUT.svg|OUT.pdf\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

void Error(const std::string& text) {
    std::fprintf(stderr, "korvanix-snapshot: %s\n", text.c_str());
}

// What the analysis would show in boxes goes to standard error, line by line.
class StderrBoxes : public korvanix::engine::EngineNotifier,
                    public korvanix::analysis::ProgressReporter {
public:
    void LoopWarning(const std::string& caption, const std::string& text) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
    void PlainMessage(const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    void ShowPercent(const std::string&) override {}
    void ShowRun(const std::string&) override {}
    bool Continue() override { return true; }
    void Warning(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
};

bool WritePicture(const QString& path, korvanix::gui::PictureFormat format, QSize size,
                  const korvanix::gui::PictureRenderer& render, const QString& title) {
    const QByteArray bytes = korvanix::gui::PictureBytes(format, size, 1, render, title);
    QString message;
    if (bytes.isEmpty() || !korvanix::gui::WriteExportFile(path, bytes, message)) {
        Error("cannot write " + QFileInfo(path).fileName().toStdString());
        return false;
    }
    return true;
}

// Runs the analysis into a graph window and writes the window's panes.
int GraphSnapshot(korvanix::document::Document& doc, bool frequency, const QString& out,
                  QSize size) {
    using korvanix::analysis::DocumentAnalysisOutcome;
    const QString title = QString::fromUtf8(frequency ? korvanix::analysis::kFrequencyTitle
                                                      : korvanix::analysis::kTransientTitle);
    auto* window = new korvanix::gui::CMultiGraphWnd(nullptr, title, QRect(QPoint(0, 0), size));
    window->setAttribute(Qt::WA_DontShowOnScreen);
    window->ShowWindow();
    QApplication::processEvents();

    StderrBoxes boxes;
    const korvanix::analysis::DocumentAnalysisResult result =
        korvanix::analysis::RunDocumentAnalysis(doc, frequency, *window, boxes, boxes);
    int code = 0;
    switch (result.outcome) {
    case DocumentAnalysisOutcome::Success:
        break;
    case DocumentAnalysisOutcome::NotAnalysable:
        Error(result.message);
        delete window;
        return 3;
    case DocumentAnalysisOutcome::AnalysisFailed:
        Error(result.message);
        code = 4;
        if (!result.started) {
            delete window;
            return code;
        }
        break;
    }
    window->resize(size);
    window->LayoutPanes();
    QApplication::processEvents();
    const bool written = WritePicture(
        out, korvanix::gui::PictureFormatOf(out), window->PictureSize(),
        [window](QPainter& p) { window->Render(p); }, title);
    delete window;
    return written ? code : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments();
    args.removeFirst();
    int analysis = 0; // 1 transient, 2 frequency, 3 the circuit's picture
    for (int i = 0; i < args.size();) {
        if (args.at(i) == QStringLiteral("--transient") ||
            args.at(i) == QStringLiteral("--frequency") ||
            args.at(i) == QStringLiteral("--scheme")) {
            if (analysis != 0)
                return Usage();
            analysis = args.at(i) == QStringLiteral("--transient")   ? 1
                       : args.at(i) == QStringLiteral("--frequency") ? 2
                                                                     : 3;
            args.removeAt(i);
        } else if (args.at(i).startsWith(QStringLiteral("--"))) {
            return Usage();
        } else {
            ++i;
        }
    }
    if (args.size() < 2 || args.size() > 3)
        return Usage();
    int width = 1280;
    int height = 800;
    if (args.size() == 3) {
        const auto match =
            QRegularExpression(QStringLiteral("^(\\d{2,5})x(\\d{2,5})$")).match(args.at(2));
        if (!match.hasMatch())
            return Usage();
        width = match.captured(1).toInt();
        height = match.captured(2).toInt();
        if (width < 200 || height < 150 || width > 10000 || height > 10000) {
            Error("size out of range 200x150 .. 10000x10000");
            return 2;
        }
    }
    const QString out = args.at(1);

    korvanix::gui::CMainWnd window(nullptr);
    korvanix::gui::CSchemeWnd* scheme = window.SchemeWnd();
    const auto opened = scheme->Doc().Open(args.at(0).toStdString());
    if (!opened.read) {
        Error(opened.message.empty() ? "cannot read the document" : opened.message);
        return 1;
    }
    if (analysis == 3) {
        scheme->DocumentReloaded();
        const korvanix::gui::SchemePicture picture =
            korvanix::gui::SchemePictureOf(scheme->Doc().scheme, scheme->Doc().settings.scheme);
        if (picture.size.isEmpty()) {
            Error("the circuit has no elements");
            return 1;
        }
        return WritePicture(out, korvanix::gui::PictureFormatOf(out), picture.size, picture.render,
                            QString::fromStdString(scheme->Doc().Name()))
                   ? 0
                   : 1;
    }
    if (analysis != 0)
        return GraphSnapshot(scheme->Doc(), analysis == 2, out, QSize(width, height));

    scheme->DocumentReloaded();
    window.setWindowTitle(
        korvanix::gui::CMainWnd::TitleFor(QString::fromStdString(scheme->Doc().Name())));
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.resize(width, height);
    window.show();
    QApplication::processEvents();
    window.resize(width, height);
    QApplication::processEvents();

    const QImage image = window.grab().toImage();
    if (!image.save(out, "PNG")) {
        Error("cannot write " + QFileInfo(out).fileName().toStdString());
        return 1;
    }
    return 0;
}

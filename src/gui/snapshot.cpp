// Renders the main window with a document open into a PNG file, without a display,
// without the single-instance lock and without touching the user's settings.
#include "gui/CMainWnd.h"
#include "gui/CSchemeWnd.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QRegularExpression>

#include <cstdio>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: korvanix-snapshot FILE.scm OUT.png [WIDTHxHEIGHT]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3 || args.size() > 4)
        return Usage();
    int width = 1280;
    int height = 800;
    if (args.size() == 4) {
        const auto match =
            QRegularExpression(QStringLiteral("^(\\d{2,5})x(\\d{2,5})$")).match(args.at(3));
        if (!match.hasMatch())
            return Usage();
        width = match.captured(1).toInt();
        height = match.captured(2).toInt();
        if (width < 200 || height < 150 || width > 10000 || height > 10000) {
            std::fprintf(stderr, "korvanix-snapshot: size out of range 200x150 .. 10000x10000\n");
            return 2;
        }
    }

    korvanix::gui::CMainWnd window(nullptr);
    korvanix::gui::CSchemeWnd* scheme = window.SchemeWnd();
    const auto opened = scheme->Doc().Open(args.at(1).toStdString());
    if (!opened.read) {
        const std::string why =
            opened.message.empty() ? "cannot read the document" : opened.message;
        std::fprintf(stderr, "korvanix-snapshot: %s\n", why.c_str());
        return 1;
    }
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
    if (!image.save(args.at(2), "PNG")) {
        std::fprintf(stderr, "korvanix-snapshot: cannot write %s\n",
                     QFileInfo(args.at(2)).fileName().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}

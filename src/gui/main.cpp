#include "gui/Application.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KORVANIX"));
    QApplication::setOrganizationName(QStringLiteral("ORN"));
    // The desktop matches the windows to the installed menu entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.korvanix.Korvanix"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/korvanix.svg")));
    // The interface is Russian whatever the system's language: the standard
    // buttons of the message boxes and dialogs too, where Qt's translations exist.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_ru"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    // The document to open: the first argument Qt left (a file manager passes
    // the file it was asked to open).
    const QStringList args = QApplication::arguments();
    korvanix::gui::Application korvanix;
    if (!korvanix.Start(args.size() > 1 ? args.at(1) : QString()))
        return 0;
    return QApplication::exec();
}

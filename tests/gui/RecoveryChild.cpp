// The program as RecoveryTest kills it: started on a document with its own lock,
// settings and recovery folder, it places a resistor the way a user does, waits
// for the recovery copy to be written, says "ready" and keeps running until it
// is killed.
//
//   gui_recovery_child LOCK SETTINGS RECOVERY_FOLDER DOCUMENT
#include "gui/Application.h"
#include "gui/Autosave.h"
#include "gui/CMainWnd.h"
#include "gui/CSchemeWnd.h"
#include "gui/CommandIds.h"
#include "gui/DocumentController.h"

#include <QApplication>
#include <QSettings>
#include <QtTest/QTest>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    if (argc != 5)
        return 2;
    using namespace korvanix::gui;
    SetRecoveryFolder(QString::fromLocal8Bit(argv[3]));
    QSettings settings(QString::fromLocal8Bit(argv[2]), QSettings::IniFormat);
    Application app(QString::fromLocal8Bit(argv[1]), &settings);
    if (!app.Start(QString::fromLocal8Bit(argv[4])))
        return 3;
    CSchemeWnd& sheet = *app.MainWindow()->SchemeWnd();
    QWidget* viewport = sheet.viewport();
    const QPoint where = viewport->rect().center();
    sheet.OnCommand(cmd::PlaceResistor);
    QTest::mouseMove(viewport, where);
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, where);
    QTest::mouseClick(viewport, Qt::RightButton, Qt::NoModifier, where);
    sheet.Documents().Recovery().SetIntervalMs(20);
    if (!QTest::qWaitFor([&] { return !sheet.Documents().Recovery().CurrentFile().empty(); },
                         20000))
        return 4;
    std::printf("ready %zu\n", sheet.Doc().scheme.elements.size());
    std::fflush(stdout);
    return QApplication::exec();
}

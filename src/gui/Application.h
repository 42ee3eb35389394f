#pragma once

#include <QLockFile>
#include <QPointer>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QLocalServer;
class QSettings;

namespace korvanix::gui {

class CMainWnd;
class CBannerDlg;

// The window placement as kept in the settings: any value may be missing.
struct StoredPlacement {
    std::optional<int> left, top, right, bottom;
    std::optional<int> maximized;
};

// Where the main window opens: edges in screen pixels, right and bottom exclusive.
struct Placement {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool maximized = false;

    QRect Rect() const { return QRect(left, top, right - left, bottom - top); }
    bool operator==(const Placement& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom &&
               maximized == o.maximized;
    }
};

// The stored placement kept on a screen whose maximized window measures
// maxWidth x maxHeight.
Placement ComputePlacement(const StoredPlacement& stored, int maxWidth, int maxHeight);

// The settings of the program: organization "ORN", application "KORVANIX", group "1.1".
std::unique_ptr<QSettings> OpenUserSettings();
StoredPlacement ReadPlacement(QSettings& settings);
// What closing the main window keeps: nothing while minimized, only the flag
// while maximized (the normal rectangle stays as it was).
void WritePlacement(QSettings& settings, const QRect& rect, bool maximized, bool minimized);

// The single-instance lock. A lock left behind by a copy that died is taken over.
// Beside the lock the running copy listens for documents that later starts hand
// it (a local socket named after the lock).
class SingleInstance {
public:
    explicit SingleInstance(const QString& lockPath = DefaultLockPath());
    ~SingleInstance();
    // False when another running copy holds the lock.
    bool Acquire();
    static QString DefaultLockPath();

    // In the copy that holds the lock: `open` receives every path handed over.
    void Listen(std::function<void(const QString&)> open);
    // In a later copy: hands a document's path to the running copy; false when
    // it cannot be reached.
    bool HandOver(const QString& path) const;

private:
    QString socketName_;
    QLockFile lock_;
    std::unique_ptr<QLocalServer> server_;
};

// The start-up of the desktop program.
class Application {
public:
    // An empty lock path uses the per-user default; settings null uses the user's.
    explicit Application(const QString& lockPath = QString(), QSettings* settings = nullptr);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Shows the banner and the main window, with the document `file` when one is
    // given (a path as the user typed it, relative to the working folder). A
    // second copy hands its file to the running one and ends (false); without a
    // file, or when the running copy cannot be reached, it refuses with a warning.
    bool Start(const QString& file = QString());
    CMainWnd* MainWindow() const { return mainWnd_.get(); }

    static const char* ProductBanner() { return "KORVANIX 1.1"; }

private:
    SingleInstance instance_;
    std::unique_ptr<QSettings> ownSettings_;
    QSettings* settings_ = nullptr;
    std::unique_ptr<CMainWnd> mainWnd_;
    QPointer<CBannerDlg> banner_;
};

} // namespace korvanix::gui

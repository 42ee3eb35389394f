#include "gui/Application.h"

#include "gui/Autosave.h"
#include "gui/CBannerDlg.h"
#include "gui/CMainWnd.h"
#include "gui/DocumentController.h"
#include "gui/Messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include <cstdint>
#include <new>

namespace korvanix::gui {

namespace {

constexpr const char* kGroup = "1.1";
constexpr const char* kLeft = "Left";
constexpr const char* kTop = "Top";
constexpr const char* kRight = "Right";
constexpr const char* kBottom = "Bottom";
constexpr const char* kMaximized = "Maximized";

std::optional<int> ReadInt(QSettings& settings, const char* name) {
    const QVariant value = settings.value(QString::fromLatin1(name));
    if (!value.isValid())
        return std::nullopt;
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!ok)
        return std::nullopt;
    return number;
}

} // namespace

Placement ComputePlacement(const StoredPlacement& stored, int maxWidth, int maxHeight) {
    Placement p;
    p.maximized = stored.maximized.value_or(0) == 1;
    const bool complete = stored.left && stored.top && stored.right && stored.bottom;
    if (complete) {
        p.left = *stored.left;
        p.top = *stored.top;
        p.right = *stored.right;
        p.bottom = *stored.bottom;
    }
    // A rectangle that is empty or lies wholly off the screen would give a window
    // nobody can reach: it is treated like a missing one.
    const auto fallBack = [&] {
        p.left = 50;
        p.top = 50;
        p.right = maxWidth - 70;
        p.bottom = maxHeight - 70;
    };
    if (!complete || p.right <= p.left || p.bottom <= p.top) {
        fallBack();
        return p;
    }
    // Shifted onto the screen and cut to it, in 64 bits: a settings file may hold
    // any numbers, and the shift of an absurd one would overflow.
    int64_t right = p.right;
    int64_t bottom = p.bottom;
    if (p.left < 0) {
        right -= p.left;
        p.left = 0;
    }
    if (p.top < 0) {
        bottom -= p.top;
        p.top = 0;
    }
    p.right = static_cast<int>(std::min<int64_t>(right, maxWidth));
    p.bottom = static_cast<int>(std::min<int64_t>(bottom, maxHeight));
    if (p.right <= p.left || p.bottom <= p.top)
        fallBack();
    return p;
}

std::unique_ptr<QSettings> OpenUserSettings() {
    return std::make_unique<QSettings>(QStringLiteral("ORN"), QStringLiteral("KORVANIX"));
}

StoredPlacement ReadPlacement(QSettings& settings) {
    settings.beginGroup(QString::fromLatin1(kGroup));
    StoredPlacement stored;
    stored.left = ReadInt(settings, kLeft);
    stored.top = ReadInt(settings, kTop);
    stored.right = ReadInt(settings, kRight);
    stored.bottom = ReadInt(settings, kBottom);
    stored.maximized = ReadInt(settings, kMaximized);
    settings.endGroup();
    return stored;
}

void WritePlacement(QSettings& settings, const QRect& rect, bool maximized, bool minimized) {
    if (minimized)
        return;
    settings.beginGroup(QString::fromLatin1(kGroup));
    if (!maximized) {
        settings.setValue(QString::fromLatin1(kLeft), rect.left());
        settings.setValue(QString::fromLatin1(kTop), rect.top());
        settings.setValue(QString::fromLatin1(kRight), rect.left() + rect.width());
        settings.setValue(QString::fromLatin1(kBottom), rect.top() + rect.height());
    }
    settings.setValue(QString::fromLatin1(kMaximized), maximized ? 1 : 0);
    settings.endGroup();
}

SingleInstance::SingleInstance(const QString& lockPath)
    : socketName_(lockPath + QStringLiteral(".socket")), lock_(lockPath) {
    // Only a dead owner makes a lock stale: a copy may run for days.
    lock_.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

namespace {
constexpr qint64 kMaxHandOver = 64 * 1024;
} // namespace

void SingleInstance::Listen(std::function<void(const QString&)> open) {
    server_ = std::make_unique<QLocalServer>();
    // Holding the lock, a socket left there belongs to a copy that died.
    QLocalServer::removeServer(socketName_);
    if (!server_->listen(socketName_))
        return; // documents cannot be handed over; starting alone still works
    QObject::connect(
        server_.get(), &QLocalServer::newConnection, server_.get(), [server = server_.get(), open] {
            while (QLocalSocket* socket = server->nextPendingConnection()) {
                QObject::connect(socket, &QLocalSocket::disconnected, socket,
                                 &QObject::deleteLater);
                QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, open] {
                    // Only paths come here: a peer that sends more without a line
                    // end is cut off.
                    if (!socket->canReadLine() && socket->bytesAvailable() > kMaxHandOver) {
                        socket->abort();
                        return;
                    }
                    while (socket->canReadLine()) {
                        const QString path = QString::fromUtf8(socket->readLine().trimmed());
                        if (!path.isEmpty())
                            open(path);
                    }
                });
            }
        });
}

bool SingleInstance::HandOver(const QString& path) const {
    QLocalSocket socket;
    socket.connectToServer(socketName_);
    if (!socket.waitForConnected(2000))
        return false;
    socket.write(path.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(2000))
        return false;
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::Acquire() {
    return lock_.tryLock(0);
}

QString SingleInstance::DefaultLockPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("KORVANIX.lock"));
}

Application::Application(const QString& lockPath, QSettings* settings)
    : instance_(lockPath.isEmpty() ? SingleInstance::DefaultLockPath() : lockPath),
      settings_(settings) {
    if (!settings_) {
        ownSettings_ = OpenUserSettings();
        settings_ = ownSettings_.get();
    }
}

Application::~Application() {
    // Gone already unless the event loop never ran.
    delete banner_.data();
}

bool Application::Start(const QString& file) {
    if (!instance_.Acquire()) {
        if (!file.isEmpty() && instance_.HandOver(QFileInfo(file).absoluteFilePath()))
            return false;
        Messages().Warn(nullptr, QString::fromUtf8("Программа уже запущена !"));
        return false;
    }
    auto* banner = new CBannerDlg();
    banner_ = banner;
    banner->show();
    // Painted now: the main window is built before the event loop runs.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    QSize maximized(1024, 768);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        maximized = screen->availableGeometry().size();
    const Placement placement =
        ComputePlacement(ReadPlacement(*settings_), maximized.width(), maximized.height());

    try {
        mainWnd_ = std::make_unique<CMainWnd>(settings_);
    } catch (const std::bad_alloc&) {
        delete banner;
        Messages().Warn(nullptr, QString::fromUtf8("Ошибка выделения памяти"));
        return false;
    }
    mainWnd_->setGeometry(placement.Rect());
    if (placement.maximized)
        mainWnd_->showMaximized();
    else
        mainWnd_->show();
    if (!file.isEmpty())
        mainWnd_->Documents().OpenPath(QFileInfo(file).absoluteFilePath(), false);
    // Only one copy runs at a time: copies found now were left by a run that
    // ended without saving or removing them.
    mainWnd_->Documents().Recovery().OfferCopies();
    // Documents a later start hands over wait until nothing is in progress and
    // open after the save prompt. The socket's handler only queues them: a box
    // opened inside it would let the socket be deleted under it.
    instance_.Listen([wnd = QPointer<CMainWnd>(mainWnd_.get())](const QString& path) {
        if (wnd)
            wnd->Documents().Receive(path);
    });
    // The banner stays only until the event loop runs.
    QTimer::singleShot(10, banner, [banner] {
        banner->hide();
        banner->deleteLater();
    });
    return true;
}

} // namespace korvanix::gui

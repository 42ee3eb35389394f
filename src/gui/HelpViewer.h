#pragma once

#include <QUrl>
#include <QWidget>

class QTextBrowser;

namespace korvanix::gui {

// The bundled help: pages in Russian, shown in one viewer window.
class HelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget* parent = nullptr);

    QTextBrowser* Browser() const { return browser_; }
    void ShowPage(const QUrl& page);

    // The one viewer, created on first use; null before that.
    static HelpViewer* Instance();

private:
    QTextBrowser* browser_;
};

// The page of a help context number; unknown numbers give the contents.
QUrl HelpTopicUrl(int contextNumber);
QUrl HelpContentsUrl();
QUrl HelpIndexUrl();

// Open the viewer at the contents, the index or a context number's topic.
void ShowHelpContents();
void ShowHelpIndex();
void ShowHelpTopic(int contextNumber);
// Makes the bundled pages reachable under ":/help/".
void EnsureHelpResources();
// Closes the viewer when the program ends.
void CloseHelpViewer();

} // namespace korvanix::gui

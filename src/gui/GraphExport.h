#pragma once

#include "graph/GraphData.h"

#include <QSize>
#include <QString>

#include <functional>
#include <vector>

class QPainter;
class QWidget;

namespace korvanix::gui {

// Paints a whole picture (background included) at its size in pixels.
using PictureRenderer = std::function<void(QPainter&)>;

// The data of a pane (an empty window title) or of a window's panes as a file:
// the save dialog ("Текстовые файлы (*.txt)" or "Файлы CSV (*.csv)"), the
// read-only guard, then the table written on a worker thread (DataExportJob)
// under the progress dialog with its Stop button. The file is replaced only
// once it is complete: a failed or stopped write keeps what was there.
// `status` receives "Сохранение завершено." or "Сохранение прервано.".
void SaveGraphData(QWidget* owner, const std::vector<graph::GraphData*>& panes,
                   const QString& windowTitle, const std::function<void(const QString&)>& status);

// A bitmap of the picture on the clipboard; `status` receives "Копирование завершено.".
void CopyGraphPicture(QSize size, const PictureRenderer& render,
                      const std::function<void(const QString&)>& status);

// The picture as a file: PNG at 1, 2 or 4 times the screen size, SVG or PDF,
// chosen in the save dialog, which proposes `proposedName`.
void SaveGraphPicture(QWidget* owner, QSize size, const PictureRenderer& render,
                      const std::function<void(const QString&)>& status,
                      const QString& proposedName = QStringLiteral("Graph.png"));

enum class PictureFormat { Png, Svg, Pdf };

// The format a file name asks for (by its extension); PNG when it names none.
PictureFormat PictureFormatOf(const QString& path);

// Draws the picture into the bytes of a file of that format (`scale` applies to
// PNG). Empty on failure.
QByteArray PictureBytes(PictureFormat format, QSize size, int scale, const PictureRenderer& render,
                        const QString& title);

// Writes bytes over a file through a temporary one; false (with the message for
// the user in `message`) when the file could not be written.
bool WriteExportFile(const QString& path, const QByteArray& bytes, QString& message);

} // namespace korvanix::gui

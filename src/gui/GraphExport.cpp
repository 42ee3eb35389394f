#include "gui/GraphExport.h"

#include "document/AtomicFile.h"
#include "document/Document.h"
#include "gui/DataExportJob.h"
#include "gui/GuiPrompts.h"
#include "gui/Messages.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <QWidget>

#include <memory>
#include <new>

namespace korvanix::gui {
namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

const char* const kSaved = "Сохранение завершено.";
const char* const kCopied = "Копирование завершено.";
// The resolution our pixel fonts assume: pictures keep the window's proportions.
constexpr int kScreenDpi = 96;

QString CannotOpenText(const QString& name) {
    return U("Не удается открыть файл ") + name + U(" для записи.\nСохранение не выполнено.");
}

QString WriteErrorText(const QString& name) {
    return U("Ошибка записи в файл ") + name;
}

bool EndsWith(const QString& path, const char* suffix) {
    return path.endsWith(QString::fromLatin1(suffix), Qt::CaseInsensitive);
}

} // namespace

bool WriteExportFile(const QString& path, const QByteArray& bytes, QString& message) {
    const QString name = QFileInfo(path).fileName();
    const std::vector<uint8_t> data(bytes.begin(), bytes.end());
    switch (document::WriteFileAtomically(path.toStdString(), data)) {
    case document::WriteOutcome::Written:
        return true;
    case document::WriteOutcome::CannotOpen:
        message = CannotOpenText(name);
        return false;
    case document::WriteOutcome::WriteFailed:
        message = WriteErrorText(name);
        return false;
    }
    return false;
}

void SaveGraphData(QWidget* owner, const std::vector<graph::GraphData*>& panes,
                   const QString& windowTitle, const std::function<void(const QString&)>& status) {
    if (panes.empty())
        return;
    QString path;
    int filter = 0;
    const QStringList filters = {U("Текстовые файлы (*.txt)"), U("Файлы CSV (*.csv)")};
    if (!Files().SavePathOfType(owner, QStringLiteral("Data.txt"), filters,
                                {QStringLiteral("txt"), QStringLiteral("csv")}, path, filter))
        return;
    const QString name = QFileInfo(path).fileName();
    GuiPrompts prompts(owner);
    if (!document::PassReadOnlyGuard(path.toStdString(), prompts))
        return;

    const bool multi = !windowTitle.isEmpty();
    try {
        auto file = std::make_unique<document::AtomicFile>(path.toStdString());
        if (file->Open() != document::WriteOutcome::Written) {
            Messages().Warn(owner, CannotOpenText(name));
            return;
        }
        // The window shows every pane at the first one's run while the table
        // is written, as the table does.
        for (std::size_t i = 1; i < panes.size(); ++i)
            if (multi)
                panes[i]->SelectRun(panes.front()->SelectedRun());
        std::vector<graph::GraphData> copies;
        copies.reserve(panes.size());
        for (const graph::GraphData* pane : panes)
            copies.push_back(*pane);
        DataExportJob::Start(owner, std::move(copies), windowTitle, EndsWith(path, ".csv"),
                             std::move(file), name, status);
    } catch (const std::bad_alloc&) {
        Messages().Warn(owner, U("Ошибка выделения памяти."));
    }
}

void CopyGraphPicture(QSize size, const PictureRenderer& render,
                      const std::function<void(const QString&)>& status) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        render(p);
    }
    clipboard->setImage(image);
    if (status)
        status(U(kCopied));
}

PictureFormat PictureFormatOf(const QString& path) {
    if (EndsWith(path, ".svg"))
        return PictureFormat::Svg;
    if (EndsWith(path, ".pdf"))
        return PictureFormat::Pdf;
    return PictureFormat::Png;
}

QByteArray PictureBytes(PictureFormat format, QSize size, int scale, const PictureRenderer& render,
                        const QString& title) {
    size = size.expandedTo(QSize(1, 1));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    switch (format) {
    case PictureFormat::Png: {
        scale = std::clamp(scale, 1, 8);
        QImage image(size * scale, QImage::Format_RGB32);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::white);
        {
            QPainter p(&image);
            render(p);
        }
        if (!image.save(&buffer, "PNG"))
            return QByteArray();
        break;
    }
    case PictureFormat::Svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setResolution(kScreenDpi);
        svg.setTitle(title);
        QPainter p;
        if (!p.begin(&svg))
            return QByteArray();
        render(p);
        p.end();
        break;
    }
    case PictureFormat::Pdf: {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(kScreenDpi);
        pdf.setTitle(title);
        pdf.setCreator(QString::fromUtf8(kAppTitle));
        const QSizeF points(size.width() * 72.0 / kScreenDpi, size.height() * 72.0 / kScreenDpi);
        pdf.setPageSize(QPageSize(points, QPageSize::Point, QString(), QPageSize::ExactMatch));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter p;
        if (!p.begin(&pdf))
            return QByteArray();
        render(p);
        p.end();
        break;
    }
    }
    return bytes;
}

void SaveGraphPicture(QWidget* owner, QSize size, const PictureRenderer& render,
                      const std::function<void(const QString&)>& status,
                      const QString& proposedName) {
    const QStringList filters = {U("Рисунок PNG (*.png)"), U("Рисунок PNG, 2× (*.png)"),
                                 U("Рисунок PNG, 4× (*.png)"), U("Рисунок SVG (*.svg)"),
                                 U("Документ PDF (*.pdf)")};
    const QStringList suffixes = {QStringLiteral("png"), QStringLiteral("png"),
                                  QStringLiteral("png"), QStringLiteral("svg"),
                                  QStringLiteral("pdf")};
    QString path;
    int filter = 0;
    if (!Files().SavePathOfType(owner, proposedName, filters, suffixes, path, filter))
        return;
    GuiPrompts prompts(owner);
    if (!document::PassReadOnlyGuard(path.toStdString(), prompts))
        return;
    const PictureFormat format = PictureFormatOf(path);
    const int scale = filter == 1 ? 2 : filter == 2 ? 4 : 1;
    QString title = owner ? owner->window()->windowTitle() : QString();
    const QByteArray bytes = PictureBytes(format, size, scale, render, title);
    QString message;
    if (bytes.isEmpty()) {
        Messages().Warn(owner, WriteErrorText(QFileInfo(path).fileName()));
        return;
    }
    if (!WriteExportFile(path, bytes, message)) {
        Messages().Warn(owner, message);
        return;
    }
    if (status)
        status(U(kSaved));
}

} // namespace korvanix::gui

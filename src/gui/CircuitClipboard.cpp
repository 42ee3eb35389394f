#include "gui/CircuitClipboard.h"

#include "gui/Messages.h"
#include "gui/QtPainter.h"
#include "gui/SchemeFonts.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace korvanix::gui {

namespace {

// Pictures of huge fragments are drawn smaller rather than not at all.
constexpr int kMaxPictureSide = 4096;

} // namespace

QImage FragmentPicture(const model::ClipboardFragment& fragment,
                       const document::SchemeOptions& options) {
    if (fragment.Empty() || !fragment.copy || fragment.size.width <= 0 || fragment.size.height <= 0)
        return {};
    const double scale = std::min({1.0, double{kMaxPictureSide} / fragment.size.width,
                                   double{kMaxPictureSide} / fragment.size.height});
    const int width = std::max(1, static_cast<int>(fragment.size.width * scale));
    const int height = std::max(1, static_cast<int>(fragment.size.height * scale));
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    image.fill(Qt::white);

    QPainter painter(&image);
    painter.scale(scale, scale);
    const SchemeFonts fonts(options);
    QtPainter surface(painter, fonts);
    // Drawn as for printing: nothing in the picture shows as selected.
    fragment.copy->Draw(surface, true, {0, 0, fragment.size.width, fragment.size.height});
    painter.end();
    return image;
}

QMimeData* FragmentMimeData(const model::ClipboardFragment& fragment,
                            const document::SchemeOptions& options) {
    auto mime = std::make_unique<QMimeData>();
    mime->setData(QString::fromLatin1(kCircuitMimeType),
                  QByteArray(reinterpret_cast<const char*>(fragment.bytes.data()),
                             static_cast<qsizetype>(fragment.bytes.size())));
    const QImage picture = FragmentPicture(fragment, options);
    if (!picture.isNull())
        mime->setImageData(picture);
    return mime.release();
}

void CopySelection(model::Scheme& scheme, const document::SchemeOptions& options, bool deselect,
                   model::Point pastePointReset) {
    const model::ClipboardFragment fragment = scheme.CopySelection(deselect, pastePointReset);
    if (fragment.Empty())
        return;
    // The clipboard takes the data over and replaces what it held.
    QGuiApplication::clipboard()->setMimeData(FragmentMimeData(fragment, options));
}

bool ClipboardHasCircuit() {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    return mime && mime->hasFormat(QString::fromLatin1(kCircuitMimeType));
}

model::Rect PasteFromClipboard(model::Scheme& scheme, int x, int y, model::Point pastePointReset,
                               QWidget* parent) {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime) {
        Messages().Warn(parent, QString::fromUtf8("Ошибка открытия буфера обмена"));
        return {};
    }
    if (!mime->hasFormat(QString::fromLatin1(kCircuitMimeType)))
        return {};
    const QByteArray block = mime->data(QString::fromLatin1(kCircuitMimeType));
    return scheme.Paste(reinterpret_cast<const uint8_t*>(block.constData()),
                        static_cast<std::size_t>(block.size()), x, y, pastePointReset);
}

} // namespace korvanix::gui

#include "PieceGlyph.h"

#include "BoardPalette.h"

#include <QFont>
#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPixmapCache>
#include <QResource>
#include <QSvgRenderer>
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

namespace velkor {
namespace {

// Glyph outlines are built once at this pixel size and scaled to every board size.
constexpr double referenceSize = 100.0;

// Unicode's solid (U+265A...) and outlined (U+2654...) chess men, indexed by PieceType.
constexpr std::array<char16_t, 6> solidGlyphs{0x265F, 0x265E, 0x265D, 0x265C, 0x265B, 0x265A};
constexpr std::array<char16_t, 6> outlinedGlyphs{0x2659, 0x2658, 0x2657, 0x2656, 0x2655, 0x2654};

QPainterPath glyphPath(char16_t glyph) {
    QFont font(pieceFontFamily());
    font.setPixelSize(static_cast<int>(referenceSize));
    font.setStyleStrategy(QFont::NoFontMerging);
    QPainterPath path;
    path.addText(0, 0, font, QString(QChar(glyph)));
    return path;
}

struct GlyphShapes {
    QPainterPath solid;
    QPainterPath outlined;
    // Where the solid shape's bounding box sits, to centre it on a square.
    QRectF bounds;
};

const GlyphShapes& shapesFor(PieceType type) {
    static const std::array<GlyphShapes, 6> shapes = [] {
        std::array<GlyphShapes, 6> result;
        for (std::size_t index = 0; index < result.size(); ++index) {
            result[index].solid = glyphPath(solidGlyphs[index]);
            result[index].outlined = glyphPath(outlinedGlyphs[index]);
            result[index].bounds = result[index].solid.boundingRect();
        }
        return result;
    }();
    return shapes[static_cast<std::size_t>(type)];
}

} // namespace

QString pieceFontFamily() {
    // FreeSerif of GNU FreeFont (Debian fonts-freefont-ttf), GPL 3 or later with the font
    // exception: embedding the font does not bring the program under the GPL.
    static const QString family = [] {
        // The resource is stored uncompressed: the font is read in place, not copied.
        const QString path = QStringLiteral(":/velkor/fonts/FreeSerif.ttf");
        const QResource resource(path);
        const int id = resource.compressionAlgorithm() == QResource::NoCompression
                           ? QFontDatabase::addApplicationFontFromData(QByteArray::fromRawData(
                                 reinterpret_cast<const char*>(resource.data()),
                                 static_cast<qsizetype>(resource.size())))
                           : QFontDatabase::addApplicationFont(path);
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        return families.isEmpty() ? QStringLiteral("serif") : families.first();
    }();
    return family;
}

namespace {

void drawPieceShapes(QPainter& painter, const GlyphShapes& shapes, PieceColor color,
                     const QRectF& box) {
    // The glyph's height is 85 % of the box; its bounding box is centred, so every man stands in
    // the middle of its square whatever the font's side bearings.
    const double scale = box.height() * 0.85 / referenceSize;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.center());
    painter.scale(scale, scale);
    painter.translate(-shapes.bounds.center());

    const bool white = color == PieceColor::white;
    const QColor fill = white ? BoardPalette::whitePieceFill() : BoardPalette::blackPieceFill();
    const QColor outline = white ? QColor(20, 20, 24, 230) : QColor(245, 245, 240, 215);
    // The outline is stroked first and the body filled over it, so only its outer half shows.
    const double outlineWidth = referenceSize * (white ? 0.05 : 0.06);
    painter.setPen(QPen(outline, outlineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shapes.solid);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawPath(shapes.solid);
    if (white) {
        // The outlined glyph draws the white man's contour and inner lines over its body.
        painter.setBrush(QColor(20, 20, 24));
        painter.drawPath(shapes.outlined);
    }
}

// The vector drawing of one man, parsed once.
QSvgRenderer& vectorMan(PieceType type, PieceColor color) {
    static const std::array<const char*, 6> names{"Pawn", "Knight", "Bishop",
                                                  "Rook", "Queen",  "King"};
    static std::array<std::unique_ptr<QSvgRenderer>, 12> renderers;
    const std::size_t index =
        static_cast<std::size_t>(type) + (color == PieceColor::white ? 0U : 6U);
    auto& renderer = renderers[index];
    if (!renderer) {
        renderer = std::make_unique<QSvgRenderer>(
            QStringLiteral(":/velkor/pieces/%1%2.svg")
                .arg(color == PieceColor::white ? QStringLiteral("White") : QStringLiteral("Black"),
                     QString::fromLatin1(names[static_cast<std::size_t>(type)])));
    }
    return *renderer;
}

void drawVectorMan(QPainter& painter, PieceType type, PieceColor color, const QRectF& box) {
    QSvgRenderer& renderer = vectorMan(type, color);
    if (!renderer.isValid()) {
        return;
    }
    const double side = std::min(box.width(), box.height()) * 0.9;
    renderer.render(
        &painter, QRectF(box.center().x() - side / 2.0, box.center().y() - side / 2.0, side, side));
}

} // namespace

void paintPiece(QPainter& painter, PieceType type, PieceColor color, const QRectF& box) {
    paintPiece(painter, type, color, box, BoardAppearance::shared().pieceSet());
}

void paintPiece(QPainter& painter, PieceType type, PieceColor color, const QRectF& box,
                PieceSet set) {
    const GlyphShapes& shapes = shapesFor(type);
    if (box.isEmpty() || (set == PieceSet::font && shapes.bounds.isEmpty())) {
        return;
    }
    const auto draw = [&](QPainter& target, const QRectF& area) {
        if (set == PieceSet::vector) {
            drawVectorMan(target, type, color, area);
        } else {
            drawPieceShapes(target, shapes, color, area);
        }
    };
    // Stroking a glyph's outline is the dearest step of painting a board, so each man is
    // rendered once per size into a cached pixmap and copied from then on. The cache works in
    // device pixels, so it stays sharp on scaled screens and under the painter's own scaling.
    const QTransform& toDevice = painter.deviceTransform();
    const double deviceScale = std::hypot(toDevice.m11(), toDevice.m12());
    if (toDevice.isRotating() || deviceScale <= 0) {
        painter.save();
        draw(painter, box);
        painter.restore();
        return;
    }
    const QSize pixels(static_cast<int>(std::lround(box.width() * deviceScale)),
                       static_cast<int>(std::lround(box.height() * deviceScale)));
    if (pixels.isEmpty()) {
        return;
    }
    const QString key = QStringLiteral("velkor-piece-%1-%2-%3-%4x%5")
                            .arg(static_cast<int>(set))
                            .arg(static_cast<int>(type))
                            .arg(static_cast<int>(color))
                            .arg(pixels.width())
                            .arg(pixels.height());
    QPixmap rendered;
    if (!QPixmapCache::find(key, &rendered)) {
        rendered = QPixmap(pixels);
        rendered.fill(Qt::transparent);
        QPainter offscreen(&rendered);
        draw(offscreen, QRectF(QPointF(0, 0), QSizeF(pixels)));
        offscreen.end();
        rendered.setDevicePixelRatio(deviceScale);
        QPixmapCache::insert(key, rendered);
    } else if (rendered.devicePixelRatio() != deviceScale) {
        // The same pixels for a box of another logical size: rare, and it costs a copy.
        rendered.setDevicePixelRatio(deviceScale);
    }
    painter.drawPixmap(box.topLeft(), rendered);
}

} // namespace velkor

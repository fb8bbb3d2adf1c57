#pragma once

#include <QColor>
#include <QObject>
#include <QString>
#include <vector>

namespace velkor {

// A colour scheme of the board's squares; the name is the key of its label in the language table.
struct BoardTheme {
    QString id;
    const char* labelKey;
    QColor light;
    QColor dark;
};

// The schemes on offer, the first one the board's long-standing wood tones.
const std::vector<BoardTheme>& boardThemes();

// The chess men: the font's glyphs, or the vector drawings.
enum class PieceSet { font, vector };

// How the board looks: its colour scheme, its chess men and whether the selected man's legal
// destinations are marked. Kept in the settings store, so the board looks the same at the next
// start; an unknown stored scheme falls back to the first one. Main thread.
class BoardAppearance : public QObject {
    Q_OBJECT

public:
    static inline const QString themeKey = QStringLiteral("VelkorBoardTheme");
    static inline const QString pieceSetKey = QStringLiteral("VelkorPieceSet");
    static inline const QString legalMovesKey = QStringLiteral("VelkorShowLegalMoves");

    explicit BoardAppearance(QObject* parent = nullptr);
    static BoardAppearance& shared();

    const BoardTheme& theme() const;
    QString themeId() const { return theme().id; }
    void setThemeId(const QString& id);

    PieceSet pieceSet() const { return m_pieceSet; }
    void setPieceSet(PieceSet set);

    bool showsLegalMoves() const { return m_showsLegalMoves; }
    void setShowsLegalMoves(bool show);

signals:
    // Any of the three changed.
    void changed();

private:
    std::size_t m_theme = 0;
    PieceSet m_pieceSet = PieceSet::font;
    bool m_showsLegalMoves = true;
};

} // namespace velkor

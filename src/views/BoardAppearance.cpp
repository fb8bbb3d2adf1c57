#include "BoardAppearance.h"

#include "BoardPalette.h"
#include "platform/Settings.h"

namespace velkor {

using platform::Settings;

const std::vector<BoardTheme>& boardThemes() {
    static const std::vector<BoardTheme> themes{
        {QStringLiteral("wood"), "board_theme_wood", BoardPalette::lightSquare(),
         BoardPalette::darkSquare()},
        {QStringLiteral("green"), "board_theme_green", QColor(238, 238, 210), QColor(118, 150, 86)},
        {QStringLiteral("blue"), "board_theme_blue", QColor(222, 227, 230), QColor(140, 162, 173)},
        {QStringLiteral("grey"), "board_theme_grey", QColor(220, 220, 220), QColor(150, 150, 150)},
    };
    return themes;
}

BoardAppearance::BoardAppearance(QObject* parent) : QObject(parent) {
    const QString stored = Settings::value(themeKey).toString();
    const auto& themes = boardThemes();
    for (std::size_t index = 0; index < themes.size(); ++index) {
        if (themes[index].id == stored) {
            m_theme = index;
        }
    }
    m_pieceSet = Settings::value(pieceSetKey).toString() == QStringLiteral("vector")
                     ? PieceSet::vector
                     : PieceSet::font;
    // Marked unless the person switched the marks off.
    m_showsLegalMoves =
        !Settings::contains(legalMovesKey) || Settings::value(legalMovesKey).toBool();
}

BoardAppearance& BoardAppearance::shared() {
    static BoardAppearance appearance;
    return appearance;
}

const BoardTheme& BoardAppearance::theme() const {
    return boardThemes()[m_theme];
}

void BoardAppearance::setThemeId(const QString& id) {
    const auto& themes = boardThemes();
    for (std::size_t index = 0; index < themes.size(); ++index) {
        if (themes[index].id == id && index != m_theme) {
            m_theme = index;
            Settings::setValue(themeKey, id);
            emit changed();
        }
    }
}

void BoardAppearance::setPieceSet(PieceSet set) {
    if (set == m_pieceSet) {
        return;
    }
    m_pieceSet = set;
    Settings::setValue(pieceSetKey,
                       set == PieceSet::vector ? QStringLiteral("vector") : QStringLiteral("font"));
    emit changed();
}

void BoardAppearance::setShowsLegalMoves(bool show) {
    if (show == m_showsLegalMoves) {
        return;
    }
    m_showsLegalMoves = show;
    Settings::setValue(legalMovesKey, show);
    emit changed();
}

} // namespace velkor

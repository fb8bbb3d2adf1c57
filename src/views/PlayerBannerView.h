#pragma once

#include "chess/Piece.h"
#include "chess/PieceColor.h"

#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

namespace velkor {

// What one banner shows about a player.
struct PlayerBanner {
    PieceColor color = PieceColor::white;
    QString name;
    bool isEngine = false;
    bool isActiveTurn = false;
    QString timeString;
    // Men of the other colour this player has taken.
    std::vector<Piece> capturedPieces;
    // Material lead from this player's side; shown only when positive.
    std::int64_t materialAdvantage = 0;

    bool operator==(const PlayerBanner&) const = default;
};

// A player's strip above or below the board: a person or chip symbol, the name, the men taken
// and the material lead, and the clock; highlighted while this player is to move.
class PlayerBannerView : public QWidget {
    Q_OBJECT

public:
    explicit PlayerBannerView(QWidget* parent = nullptr);

    void setBanner(const PlayerBanner& banner);
    const PlayerBanner& banner() const { return m_banner; }

    QSize sizeHint() const override { return {480, 44}; }
    QSize minimumSizeHint() const override { return {200, 44}; }

    // The highlight behind the active player's banner.
    static QColor activeBackground();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PlayerBanner m_banner;
};

} // namespace velkor

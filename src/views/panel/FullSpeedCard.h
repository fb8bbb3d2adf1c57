#pragma once

#include "PanelWidgets.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace velkor {
class LocalizationManager;
namespace automatch {
class FullSpeedMatch;
}
} // namespace velkor

namespace velkor::panel {

// The settings of a full-speed match: length, the engines' limit, games at once, the opening
// file and its pairing, adjudication and the SPRT. Every edit goes to the match's settings at
// once; locked while a match runs.
class FullSpeedCard : public Card {
    Q_OBJECT

public:
    FullSpeedCard(automatch::FullSpeedMatch& match, LocalizationManager& localization,
                  QWidget* parent = nullptr);

private:
    // Shows the settings without writing them back.
    void refresh();
    // Reads every control into the settings.
    void write();
    void chooseOpeningFile();

    automatch::FullSpeedMatch& m_match;
    LocalizationManager& m_localization;
    QSpinBox* m_games;
    QComboBox* m_limitKind;
    QDoubleSpinBox* m_base;
    QDoubleSpinBox* m_increment;
    QSpinBox* m_amount;
    QSpinBox* m_concurrency;
    QLabel* m_openingFile;
    QPushButton* m_chooseOpenings;
    QPushButton* m_clearOpenings;
    QSpinBox* m_plies;
    QCheckBox* m_random;
    QCheckBox* m_paired;
    QCheckBox* m_draw;
    QSpinBox* m_drawFrom;
    QSpinBox* m_drawMoves;
    QSpinBox* m_drawScore;
    QCheckBox* m_resign;
    QSpinBox* m_resignMoves;
    QSpinBox* m_resignScore;
    QCheckBox* m_resignTwoSided;
    QCheckBox* m_maxMovesOn;
    QSpinBox* m_maxMoves;
    QCheckBox* m_sprt;
    QDoubleSpinBox* m_elo0;
    QDoubleSpinBox* m_elo1;
    QDoubleSpinBox* m_alpha;
    QDoubleSpinBox* m_beta;
    QComboBox* m_model;
    QCheckBox* m_finishOnSprt;
    bool m_showing = false;
};

} // namespace velkor::panel

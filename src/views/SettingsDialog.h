#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;

namespace velkor {

class BoardAppearance;
class LocalizationManager;

// The small "Settings" window: the board's colours, its chess men and whether legal moves are
// marked. Every choice takes effect on the board at once and is kept.
class SettingsDialog : public QDialog {
    Q_OBJECT

public:
    SettingsDialog(BoardAppearance& appearance, LocalizationManager& localization,
                   QWidget* parent = nullptr);

    QComboBox* themeChoice = nullptr;
    QComboBox* pieceSetChoice = nullptr;
    QCheckBox* legalMovesChoice = nullptr;

private:
    // The choices as the appearance has them (it may have changed while the window was closed).
    void showAppearance();

    BoardAppearance& m_appearance;
};

} // namespace velkor

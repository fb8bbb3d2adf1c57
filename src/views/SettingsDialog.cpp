#include "SettingsDialog.h"

#include "BoardAppearance.h"
#include "LocalizedText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace velkor {

SettingsDialog::SettingsDialog(BoardAppearance& appearance, LocalizationManager& localization,
                               QWidget* parent)
    : QDialog(parent), m_appearance(appearance) {
    bindLocalizedText(this, localization, QStringLiteral("settings_title"),
                      [this](const QString& text) { setWindowTitle(text); });

    themeChoice = new QComboBox(this);
    for (const BoardTheme& theme : boardThemes()) {
        themeChoice->addItem(QString(), theme.id);
        const int row = themeChoice->count() - 1;
        bindLocalizedText(
            themeChoice, localization, QLatin1String(theme.labelKey),
            [this, row](const QString& text) { themeChoice->setItemText(row, text); });
    }
    pieceSetChoice = new QComboBox(this);
    pieceSetChoice->addItem(QString(), static_cast<int>(PieceSet::font));
    pieceSetChoice->addItem(QString(), static_cast<int>(PieceSet::vector));
    bindLocalizedText(pieceSetChoice, localization, QStringLiteral("piece_set_font"),
                      [this](const QString& text) { pieceSetChoice->setItemText(0, text); });
    bindLocalizedText(pieceSetChoice, localization, QStringLiteral("piece_set_vector"),
                      [this](const QString& text) { pieceSetChoice->setItemText(1, text); });
    legalMovesChoice = new QCheckBox(this);
    bindLocalizedText(legalMovesChoice, localization, QStringLiteral("settings_legal_moves"),
                      [this](const QString& text) { legalMovesChoice->setText(text); });

    auto* form = new QFormLayout;
    auto* themeLabel =
        new LocalizedText(QStringLiteral("settings_board_colours"), localization, this);
    auto* piecesLabel = new LocalizedText(QStringLiteral("settings_pieces"), localization, this);
    form->addRow(themeLabel, themeChoice);
    form->addRow(piecesLabel, pieceSetChoice);
    form->addRow(legalMovesChoice);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    bindLocalizedText(buttons, localization, QStringLiteral("btn_close"),
                      [buttons](const QString& text) {
                          buttons->button(QDialogButtonBox::Close)->setText(text);
                      });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    showAppearance();
    connect(&appearance, &BoardAppearance::changed, this, &SettingsDialog::showAppearance);
    connect(themeChoice, &QComboBox::activated, this,
            [this](int row) { m_appearance.setThemeId(themeChoice->itemData(row).toString()); });
    connect(pieceSetChoice, &QComboBox::activated, this, [this](int row) {
        m_appearance.setPieceSet(static_cast<PieceSet>(pieceSetChoice->itemData(row).toInt()));
    });
    connect(legalMovesChoice, &QCheckBox::toggled, this,
            [this](bool on) { m_appearance.setShowsLegalMoves(on); });
}

void SettingsDialog::showAppearance() {
    themeChoice->setCurrentIndex(themeChoice->findData(m_appearance.themeId()));
    pieceSetChoice->setCurrentIndex(
        pieceSetChoice->findData(static_cast<int>(m_appearance.pieceSet())));
    legalMovesChoice->setChecked(m_appearance.showsLegalMoves());
}

} // namespace velkor

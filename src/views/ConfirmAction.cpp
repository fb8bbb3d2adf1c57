#include "ConfirmAction.h"

#include "game/GameManager.h"
#include "localization/LocalizationManager.h"

#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <cstdint>
#include <string>

namespace velkor {

QMessageBox* askBeforeDoing(QWidget* parent, LocalizationManager& localization,
                            const QString& objectName, const QString& questionKey,
                            const QString& detail, const QString& actionKey,
                            std::function<void()> action) {
    auto* question = new QMessageBox(QMessageBox::Warning, localization.text(actionKey),
                                     localization.text(questionKey), QMessageBox::NoButton, parent);
    question->setObjectName(objectName);
    question->setAttribute(Qt::WA_DeleteOnClose);
    question->setInformativeText(
        detail.isEmpty() ? localization.text(QStringLiteral("confirm_cannot_undo"))
                         : detail + QLatin1Char('\n') +
                               localization.text(QStringLiteral("confirm_cannot_undo")));
    QPushButton* confirm =
        question->addButton(localization.text(actionKey), QMessageBox::DestructiveRole);
    confirm->setObjectName(QStringLiteral("confirmButton"));
    QPushButton* cancel = question->addButton(localization.text(QStringLiteral("btn_cancel")),
                                              QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    question->setDefaultButton(cancel);
    question->setEscapeButton(cancel);
    QObject::connect(question, &QMessageBox::buttonClicked, question,
                     [confirm, action = std::move(action)](QAbstractButton* clicked) {
                         if (clicked == confirm) {
                             action();
                         }
                     });
    question->open();
    return question;
}

PieceColor resigningColor(const GameManager& game) {
    if (game.gameMode() == GameMode::humanVsEngine) {
        return game.humanColor();
    }
    return game.board().turn();
}

void confirmResign(QWidget* parent, GameManager& game, LocalizationManager& localization) {
    if (game.isGameOver()) {
        return;
    }
    const PieceColor color = resigningColor(game);
    const QString side = localization.text(
        color == PieceColor::white ? QStringLiteral("color_white") : QStringLiteral("color_black"));
    // The game the question was asked about: a new game started meanwhile is not resigned.
    const QPointer<GameManager> session(&game);
    const std::uint64_t asked = game.board().history().size();
    const std::string startFen = game.board().initialFEN();
    askBeforeDoing(
        parent, localization, QStringLiteral("resignQuestion"), QStringLiteral("confirm_resign"),
        side, QStringLiteral("btn_resign"), [session, color, asked, startFen] {
            if (!session || session->isGameOver() || session->board().initialFEN() != startFen ||
                session->board().history().size() < asked) {
                return;
            }
            session->resign(color);
        });
}

} // namespace velkor

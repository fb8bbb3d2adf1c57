#include "EngineFilePicker.h"

#include "localization/LocalizationManager.h"

#include <QFileDialog>
#include <memory>
#include <utility>

namespace velkor {

void pickEngineFile(QWidget* parent, const LocalizationManager& localization,
                    std::function<void(const std::optional<QString>&)> completion) {
    auto* dialog =
        new QFileDialog(parent, localization.text(QStringLiteral("dialog_select_engine")));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setLabelText(QFileDialog::Accept,
                         localization.text(QStringLiteral("dialog_choose_engine")));
    dialog->setLabelText(QFileDialog::Reject, localization.text(QStringLiteral("btn_cancel")));
    dialog->setWindowModality(Qt::WindowModal);
    // The callback must run exactly once, whichever way the dialog closes.
    auto pending =
        std::make_shared<std::function<void(const std::optional<QString>&)>>(std::move(completion));
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, pending](int result) {
        const QStringList files = dialog->selectedFiles();
        if (result == QDialog::Accepted && !files.isEmpty()) {
            (*pending)(files.first());
        } else {
            (*pending)(std::nullopt);
        }
    });
    dialog->open();
}

} // namespace velkor

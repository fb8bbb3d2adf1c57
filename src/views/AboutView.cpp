#include "AboutView.h"

#include "LocalizedText.h"
#include "localization/LocalizationManager.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>

namespace velkor {
namespace {

// Markdown, so the line can carry a mail link.
QString creditMarkdown(const QString& madeBy) {
    return madeBy + QStringLiteral(" · [velkor@tamsel.com](mailto:velkor@tamsel.com)");
}

} // namespace

QString versionLine(const QString& versionLabel, const BundleVersion& version) {
    const QString unknown = QStringLiteral("?");
    return QStringLiteral("%1 %2 (%3)")
        .arg(versionLabel, version.shortVersion.value_or(unknown), version.build.value_or(unknown));
}

AboutView::AboutView(LocalizationManager& localization, BundleVersion version, QWidget* parent)
    : QWidget(parent), m_version(new QLabel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 24);
    layout->setSpacing(8);

    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(96, 96));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);

    auto* title = new LocalizedText(QStringLiteral("app_title"), localization, this);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);

    m_version->setAlignment(Qt::AlignCenter);
    m_version->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_version->setObjectName(QStringLiteral("versionLine"));
    bindLocalizedText(
        m_version, localization,
        [&localization, version] {
            return versionLine(localization.text("about_version"), version);
        },
        [this](const QString& text) { m_version->setText(text); });
    layout->addWidget(m_version);

    auto* credit = new QLabel(this);
    credit->setAlignment(Qt::AlignCenter);
    credit->setOpenExternalLinks(true);
    bindLocalizedText(
        credit, localization, QStringLiteral("about_credit"), [credit](const QString& madeBy) {
            const QString markdown = creditMarkdown(madeBy);
            QTextDocument parsed;
            parsed.setMarkdown(markdown);
            credit->setTextFormat(parsed.isEmpty() ? Qt::PlainText : Qt::MarkdownText);
            credit->setText(markdown);
        });
    layout->addWidget(credit);

    auto* dedication = new LocalizedText(QStringLiteral("about_dedication"), localization, this);
    dedication->setAlignment(Qt::AlignCenter);
    dedication->setWordWrap(true);
    layout->addWidget(dedication);
}

void AboutView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void placeOver(QWidget& window, const QWidget* owner) {
    window.adjustSize();
    const QScreen* screen = owner && owner->isVisible() ? owner->screen() : window.screen();
    if (!screen) {
        return;
    }
    const QRect area = screen->availableGeometry();
    QRect target(QPoint(), window.frameGeometry().size());
    target.moveCenter(owner && owner->isVisible() ? owner->frameGeometry().center()
                                                  : area.center());
    // A window larger than the screen shows its top left corner, where its title bar is.
    target.moveLeft(std::max(area.left(), std::min(target.left(), area.right() - target.width())));
    target.moveTop(std::max(area.top(), std::min(target.top(), area.bottom() - target.height())));
    window.move(target.topLeft());
}

} // namespace velkor

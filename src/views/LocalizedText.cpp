#include "LocalizedText.h"

#include "localization/LocalizationManager.h"

#include <utility>

namespace velkor {

void bindLocalizedText(QObject* owner, LocalizationManager& localization,
                       std::function<QString()> compose,
                       std::function<void(const QString&)> apply) {
    apply(compose());
    // The connection's context is `owner`, so it ends with the widget and never calls into a
    // destroyed one.
    QObject::connect(
        &localization, &LocalizationManager::currentLanguageChanged, owner,
        [compose = std::move(compose), apply = std::move(apply)] { apply(compose()); });
}

void bindLocalizedText(QObject* owner, LocalizationManager& localization, const QString& key,
                       std::function<void(const QString&)> apply) {
    bindLocalizedText(
        owner, localization, [&localization, key] { return localization.text(key); },
        std::move(apply));
}

LocalizedText::LocalizedText(const QString& key, LocalizationManager& localization, QWidget* parent)
    : QLabel(parent), m_key(key), m_localization(localization) {
    bindLocalizedText(
        this, localization, [this] { return m_localization.text(m_key); },
        [this](const QString& text) { setText(text); });
}

void LocalizedText::setKey(const QString& key) {
    m_key = key;
    setText(m_localization.text(m_key));
}

} // namespace velkor

#pragma once

#include <QLabel>
#include <QObject>
#include <QString>
#include <functional>

namespace velkor {

class LocalizationManager;

// Keeps one piece of interface text in the current language: `apply` receives the text for `key`
// now and again after every language change, for as long as `owner` lives. Widgets use it for
// button titles, tool tips and window titles alike, so no label can miss a language change.
void bindLocalizedText(QObject* owner, LocalizationManager& localization, const QString& key,
                       std::function<void(const QString&)> apply);

// Same, for a text built from several keys or with figures in it: `compose` is asked again at
// every language change.
void bindLocalizedText(QObject* owner, LocalizationManager& localization,
                       std::function<QString()> compose, std::function<void(const QString&)> apply);

// A label that shows the text of one key in the current language.
class LocalizedText : public QLabel {
    Q_OBJECT

public:
    LocalizedText(const QString& key, LocalizationManager& localization, QWidget* parent = nullptr);

    const QString& key() const { return m_key; }
    void setKey(const QString& key);

private:
    QString m_key;
    LocalizationManager& m_localization;
};

} // namespace velkor

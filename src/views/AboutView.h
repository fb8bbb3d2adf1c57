#pragma once

#include <QString>
#include <QWidget>
#include <optional>

class QKeyEvent;
class QLabel;

namespace velkor {

class LocalizationManager;

// The version of the running program as its bundle states it; either value may be missing.
struct BundleVersion {
    std::optional<QString> shortVersion;
    std::optional<QString> build;
};

// "<Version> 1.2.0 (45)", with "?" for each missing value.
QString versionLine(const QString& versionLabel, const BundleVersion& version);

// The About window's content, top to bottom: the icon, the title, the version line (selectable,
// so it can be copied into a report), a credit line and the dedication. Esc closes the window.
class AboutView : public QWidget {
    Q_OBJECT

public:
    AboutView(LocalizationManager& localization, BundleVersion version, QWidget* parent = nullptr);

    QLabel& versionLabel() const { return *m_version; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* m_version;
};

// Moves the top-level `window` so it opens centred over `owner` (the main window), or over the
// middle of the screen without one, and wholly inside the screen's free area.
void placeOver(QWidget& window, const QWidget* owner);

} // namespace velkor

#pragma once

#include <QWidget>
#include <vector>

class QButtonGroup;
class QPushButton;

namespace velkor {
class LocalizationManager;
}

namespace velkor::panel {

// The six tab buttons in two rows of three: one row of six cannot show "Export & Notation" or
// "Analyse du moteur" in full at the panel's width, and a tab bar with scroll arrows would hide
// some tabs altogether.
class PanelTabBar : public QWidget {
    Q_OBJECT

public:
    PanelTabBar(const std::vector<QString>& keys, LocalizationManager& localization,
                QWidget* parent = nullptr);

    int currentIndex() const;
    void setCurrentIndex(int index);

signals:
    void currentChanged(int index);

private:
    QButtonGroup* m_buttons;
};

} // namespace velkor::panel

#pragma once

#include <QWidget>
#include <vector>

class QButtonGroup;
class QGridLayout;
class QPushButton;

namespace velkor {
class LocalizationManager;
}

namespace velkor::panel {

// The six tab buttons in rows: three to a row where every title fits its button in full, in
// the bold face of the selected tab, else two or one, so no language's title is ever cut off.
// A tab bar with scroll arrows would hide some tabs altogether.
class PanelTabBar : public QWidget {
    Q_OBJECT

public:
    PanelTabBar(const std::vector<QString>& keys, LocalizationManager& localization,
                QWidget* parent = nullptr);

    int currentIndex() const;
    void setCurrentIndex(int index);

    // Buttons per row at the present width and titles.
    int columns() const { return m_columns; }

signals:
    void currentChanged(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The width a button needs to show its title in full, selected (bold) or not.
    int neededButtonWidth() const;
    void arrange();

    QButtonGroup* m_buttons;
    QGridLayout* m_layout;
    std::vector<QPushButton*> m_tabs;
    int m_columns = 0;
    std::size_t m_placed = 0;
};

} // namespace velkor::panel

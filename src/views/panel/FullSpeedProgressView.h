#pragma once

#include "PanelWidgets.h"

#include <QWidget>

class QCheckBox;
class QGridLayout;
class QLabel;
class QProgressBar;

namespace velkor {
class LocalizationManager;
namespace automatch {
class FullSpeedMatch;
}
} // namespace velkor

namespace velkor::panel {

// The log-likelihood ratio between its two bounds: a bar from the lower bound (left, red) to the
// upper (right, green) with zero marked and the ratio as a needle.
class LlrBar : public QWidget {
    Q_OBJECT

public:
    explicit LlrBar(QWidget* parent = nullptr);
    void setRatio(double llr, double lower, double upper);
    double llr() const { return m_llr; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_llr = 0;
    double m_lower = -2.94;
    double m_upper = 2.94;
};

// How a full-speed match stands: progress with its pace and the time left, W/L/D, the pairs,
// Elo with its margin, the SPRT's ratio against its bounds, time losses, how the match ended,
// and on request the boards of the running games.
class FullSpeedProgressView : public Card {
    Q_OBJECT

public:
    FullSpeedProgressView(automatch::FullSpeedMatch& match, LocalizationManager& localization,
                          QWidget* parent = nullptr);

private:
    void refresh();
    void refreshBoards();

    automatch::FullSpeedMatch& m_match;
    LocalizationManager& m_localization;
    QProgressBar* m_progress;
    QLabel* m_pace;
    QLabel* m_score;
    QLabel* m_pairs;
    QLabel* m_elo;
    LlrBar* m_llrBar;
    QLabel* m_llr;
    QLabel* m_end;
    QCheckBox* m_showBoards;
    QWidget* m_boards;
    QGridLayout* m_boardGrid;
    CoalescedRefresh* m_boardRefresh;
};

} // namespace velkor::panel

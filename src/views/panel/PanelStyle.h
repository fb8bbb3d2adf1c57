#pragma once

#include <QString>

class QWidget;

namespace velkor::panel {

// What a widget is in the panel, for the panel's one style sheet: widgets of one role look alike
// wherever they are.
enum class Role {
    // A small grey explanatory line.
    hint,
    // A time-control chip: round, highlighted while chosen.
    chip,
    // An Elo preset button: compact, highlighted and bold while chosen.
    eloPreset,
    // A button of the panel's tab bar.
    tab,
    // A flat button that reads as a link.
    link,
};

// What a coloured text or badge says about its content.
enum class Tone { plain, success, failure, caution, accent, alarm, finished };

// The style sheet of the whole panel, built from the palette.
QString panelStyleSheet();

void setRole(QWidget& widget, Role role);

// Colours a label's text by its tone. A widget the style sheet dresses as a whole (the status
// badge) takes the tone for its frame and its labels alike.
void setTone(QWidget& widget, Tone tone);

// Makes a label a small rounded badge filled with the tone's colour.
void setBadgeTone(QWidget& widget, Tone tone);

} // namespace velkor::panel

#include "PanelStyle.h"

#include "PanelPalette.h"

#include <QColor>
#include <QCoreApplication>
#include <QEvent>
#include <QStyle>
#include <QVariant>
#include <QWidget>
#include <array>

namespace velkor::panel {

namespace {

const char* const roleProperty = "panelRole";
const char* const toneProperty = "tone";
const char* const badgeProperty = "badge";

QString css(QRgb colour) {
    if (qAlpha(colour) == 255) {
        return QColor::fromRgb(colour).name();
    }
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(qRed(colour))
        .arg(qGreen(colour))
        .arg(qBlue(colour))
        .arg(qAlpha(colour));
}

// The names the style sheet selects on, in the order of the enumerations.
constexpr std::array<const char*, 5> roleNames{"hint", "chip", "eloPreset", "tab", "link"};

struct ToneStyle {
    const char* name;
    QRgb colour;
};
constexpr std::array<ToneStyle, 7> toneStyles{{
    {"", 0},
    {"success", palette::success},
    {"failure", palette::failure},
    {"caution", palette::caution},
    {"accent", palette::accent},
    {"alarm", palette::alarm},
    {"finished", palette::finished},
}};

QString roleName(Role role) {
    return QLatin1String(roleNames.at(static_cast<std::size_t>(role)));
}

QString toneName(Tone tone) {
    return QLatin1String(toneStyles.at(static_cast<std::size_t>(tone)).name);
}

// Applies the style sheet to `widget` again, as setting a sheet of its own would: polished, and
// told of the change, so that a frame or label recomputes its padding and the size it asks for.
void restyle(QWidget& widget) {
    widget.style()->unpolish(&widget);
    widget.style()->polish(&widget);
    QEvent changed(QEvent::StyleChange);
    QCoreApplication::sendEvent(&widget, &changed);
    widget.updateGeometry();
    widget.update();
}

// A property the style sheet selects on only takes effect once the widget is styled again; the
// labels inside follow their container's property, so they are styled again too.
void setStyledProperty(QWidget& widget, const char* name, const QString& value) {
    if (widget.property(name).toString() == value) {
        return;
    }
    widget.setProperty(name, value);
    restyle(widget);
    for (QWidget* child : widget.findChildren<QWidget*>()) {
        restyle(*child);
    }
}

} // namespace

QString panelStyleSheet() {
    QString sheet = QStringLiteral(
        "velkor--panel--Card { background: palette(alternate-base); border: 1px solid"
        " palette(mid); border-radius: 6px; }\n"
        "QLabel[panelRole=\"hint\"] { color: palette(dark); font-size: 11px; }\n"
        "QPushButton[panelRole=\"chip\"] { padding: 3px 2px; border-radius: 10px;"
        " border: 1px solid palette(mid); }\n"
        "QPushButton[panelRole=\"chip\"]:checked { background: palette(highlight);"
        " color: palette(highlighted-text); }\n"
        "QPushButton[panelRole=\"eloPreset\"] { padding: 2px 4px; }\n"
        "QPushButton[panelRole=\"eloPreset\"]:checked { background: palette(highlight);"
        " color: palette(highlighted-text); font-weight: bold; }\n"
        "QPushButton[panelRole=\"tab\"] { padding: 4px 2px; border: 1px solid palette(mid);"
        " border-radius: 4px; }\n"
        "QPushButton[panelRole=\"tab\"]:checked { background: palette(highlight);"
        " color: palette(highlighted-text); font-weight: bold; }\n"
        "QPushButton[panelRole=\"link\"] { color: palette(link); text-decoration: underline; }\n");
    sheet += QStringLiteral("QWidget#automatchStrip { background: %1; border: 1px solid %2;"
                            " border-radius: 6px; }\n")
                 .arg(css(palette::accentWash), css(palette::accent));
    sheet += QStringLiteral("QLabel#toast { background: %1; color: %2; border-radius: 8px;"
                            " padding: 8px 12px; }\n")
                 .arg(css(palette::toast), css(palette::onColour));
    for (const auto& [toneText, colour] : toneStyles) {
        const QString name = QLatin1String(toneText);
        if (name.isEmpty()) {
            continue;
        }
        sheet += QStringLiteral("QLabel[tone=\"%1\"] { color: %2; }\n").arg(name, css(colour));
        sheet += QStringLiteral("QLabel[badge=\"%1\"] { border-radius: 4px; padding: 1px 6px;"
                                " color: %2; background: %3; }\n")
                     .arg(name, css(palette::onColour), css(colour));
        sheet += QStringLiteral("QWidget#statusBadge[tone=\"%1\"] { border: 2px solid %2;"
                                " border-radius: 12px; }\n"
                                "QWidget#statusBadge[tone=\"%1\"] QLabel { color: %2; }\n")
                     .arg(name, css(colour));
    }
    return sheet;
}

void setRole(QWidget& widget, Role role) {
    setStyledProperty(widget, roleProperty, roleName(role));
}

void setTone(QWidget& widget, Tone tone) {
    setStyledProperty(widget, toneProperty, toneName(tone));
}

void setBadgeTone(QWidget& widget, Tone tone) {
    setStyledProperty(widget, badgeProperty, toneName(tone));
}

} // namespace velkor::panel

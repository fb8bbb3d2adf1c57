#pragma once

#include <QObject>

namespace velkor {

// Keeps the mouse wheel for scrolling. A slider, drop-down or spin box takes the wheel only while
// it has the keyboard focus, that is once a person has clicked into it (or tabbed to it); until
// then the wheel scrolls the scroll area around it, so running the wheel over a long panel never
// changes a setting on the way. Installed once on the application, it covers every such control,
// including those made later.
class ScrollWheelGuard : public QObject {
    Q_OBJECT

public:
    // Installs the guard on the running application; later calls do nothing.
    static void install();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};

} // namespace velkor

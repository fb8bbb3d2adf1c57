#pragma once

// What a person does to the panel in the tests: find a control by its name and click it where
// a person would.
#include <QAbstractButton>
#include <QObject>
#include <QString>
#include <QTest>
#include <gtest/gtest.h>

namespace velkor::testing {

template <typename Widget = QWidget>
Widget* find(QObject& root, const QString& name) {
    auto* widget = root.findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name.toStdString();
    return widget;
}

inline void click(QObject& root, const QString& name) {
    auto* button = find<QAbstractButton>(root, name);
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isVisible() && button->isEnabled()) << name.toStdString();
    // Radio buttons and check boxes only take clicks on their mark and text, at the left.
    const bool marked = button->inherits("QRadioButton") || button->inherits("QCheckBox");
    QTest::mouseClick(button, Qt::LeftButton, {},
                      marked ? QPoint(8, button->height() / 2) : button->rect().center());
}

} // namespace velkor::testing

#pragma once
// Driving setting dialogs as a user would: run one modally with
// RunSettingDialog, find its controls by the caption the user reads (their
// accessible name), type into them, press OK.
#include "ui/editors/SettingDialog.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace dialogtest {

// What a screen reader calls `widget`: its name, and the text of what labels
// it (a buddy label, a group box). On Linux a list's accessible name is its
// current text; its caption reaches the screen reader as its label.
inline QStringList AccessibleNames(QWidget* widget)
{
    QStringList names;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    if (!iface)
        return names;
    // A list's name is what it shows, not what it is.
    if (!iface->text(QAccessible::Name).isEmpty() && !widget->inherits("QComboBox"))
        names << iface->text(QAccessible::Name);
    for (const auto& [label, relation] : iface->relations(QAccessible::Label))
        if (label && !label->text(QAccessible::Name).isEmpty())
            names << label->text(QAccessible::Name);
    return names;
}

inline QString AccessibleName(QWidget* widget)
{
    const QStringList names = AccessibleNames(widget);
    return names.isEmpty() ? QString() : names.front();
}

// The one control of type T that a screen reader names `name`; fails the
// test when there is none or more than one.
template <typename T>
T* Named(QWidget* dialog, const QString& name)
{
    T* found = nullptr;
    int count = 0;
    for (T* w : dialog->findChildren<T*>()) {
        if (AccessibleNames(w).contains(name)) {
            found = w;
            ++count;
        }
    }
    EXPECT_EQ(count, 1) << "controls named \"" << name.toStdString() << "\"";
    return found;
}

// The label whose buddy is `control`.
inline QLabel* LabelOf(QWidget* dialog, QWidget* control)
{
    for (QLabel* l : dialog->findChildren<QLabel*>())
        if (l->buddy() == control)
            return l;
    return nullptr;
}

// Clicks a radio button on its circle, where a click takes (its centre may
// lie beyond its text).
inline void ClickRadio(QAbstractButton* button)
{
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->height() / 2, button->height() / 2));
}

// Replaces the text of `edit` by typing.
inline void Type(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

// RunSettingDialog, with `drive` acting once the dialog is open; a guard
// ends a dialog the test failed to close.
inline bool RunDriven(CSettingDialog& dialog, CRegisterImage& image, const std::function<void()>& drive)
{
    QTimer::singleShot(0, &dialog, drive);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &dialog, [&dialog] {
        ADD_FAILURE() << "dialog left open";
        dialog.done(QDialog::Rejected);
    });
    guard.start(10000);
    return RunSettingDialog(dialog, image);
}

// Every control a user can operate carries a name a screen reader reads.
inline void ExpectEveryControlNamed(QWidget* dialog)
{
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        const char* kind = w->metaObject()->className();
        const bool operable = w->focusPolicy() != Qt::NoFocus && !w->inherits("QDialogButtonBox") &&
                              !w->inherits("QGroupBox") && qstrcmp(kind, "QWidget") != 0;
        // Hidden ones (a grid's cell editors between edits) cannot be reached.
        if (!operable || !w->parentWidget() || w->inherits("QAbstractItemView") || !w->isVisibleTo(dialog))
            continue;
        // The list's inner views and viewports belong to their combo box.
        if (w->parentWidget()->inherits("QComboBox") || w->window() != dialog)
            continue;
        EXPECT_FALSE(AccessibleNames(w).isEmpty()) << kind << " without a name";
    }
}

} // namespace dialogtest

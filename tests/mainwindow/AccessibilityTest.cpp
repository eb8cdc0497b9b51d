// What the desktop's accessibility service sees of the main window, and the message box from the keyboard.
#include "WindowFixture.h"
#include "mainwindow/SystemPorts.h"
#include "skymap/SkyMapWidget.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSlider>
#include <QTest>
#include <QTimer>

namespace {

QString AccessibleText(QWidget* widget, QAccessible::Text kind) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(kind) : QString();
}

using AccessibilityFixture = WindowFixture;

TEST_F(AccessibilityFixture, EveryControlHasANameOrDescription) {
    Form1& w = Make();
    QList<QWidget*> controls;
    for (QWidget* child : w.central->findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractButton*>(child) || qobject_cast<QLineEdit*>(child) ||
            qobject_cast<QComboBox*>(child) || qobject_cast<QSlider*>(child) || qobject_cast<QLabel*>(child))
            controls << child;
    }
    for (int i = 1; i <= 4; ++i)
        controls << w.Shape[i];
    controls << w.Picture1;
    // The value displays start empty, so their description alone must speak for them.
    for (QLabel* label : {w.lblAz, w.lblEl, w.Label23, w.Label18, w.Label24, w.Label25, w.Label26, w.Label27})
        label->clear();
    ASSERT_GT(controls.size(), 50);
    for (QWidget* control : controls) {
        const QString name = AccessibleText(control, QAccessible::Name).trimmed();
        const QString description = AccessibleText(control, QAccessible::Description).trimmed();
        EXPECT_FALSE(name.isEmpty() && description.isEmpty()) << control->objectName().toStdString();
    }
}

// The message box closes from the keyboard; a stray box is closed by the fallback so the test cannot hang.
TEST(MessageBoxKeys, EnterAndEscapeCloseTheBox) {
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        MessageBoxSink sink;
        bool closedByKey = false;
        QTimer::singleShot(0, [key, &closedByKey] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            QTest::keyClick(box, key);
            closedByKey = QApplication::activeModalWidget() == nullptr;
        });
        QTimer fallback;
        fallback.setSingleShot(true);
        QObject::connect(&fallback, &QTimer::timeout, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->done(0);
        });
        fallback.start(3000);
        sink.ShowMessage(QStringLiteral("テスト"));
        EXPECT_TRUE(closedByKey) << "key " << key;
    }
}

} // namespace

// What the desktop's accessibility service sees of the main window, and how it works from the keyboard.
#include "mainwindow/Form1.h"
#include "mainwindow/SystemPorts.h"
#include "skymap/SkyMapWidget.h"
#include "support/FakePorts.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QString AccessibleText(QWidget* widget, QAccessible::Text kind) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(kind) : QString();
}

struct AccessibilityFixture : ::testing::Test {
    QTemporaryDir dir;
    FakeWorld world;
    std::unique_ptr<Form1> window;

    Form1& Make() {
        window = std::make_unique<Form1>(world.ports(), dir.filePath(QStringLiteral("rotorcfg.ini")));
        window->setEndHandler([](int) {});
        return *window;
    }
};

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

TEST_F(AccessibilityFixture, ValueDisplaysReadTheirLiveTextWithADescription) {
    Form1& w = Make();
    struct Row {
        QLabel* label;
        const char* word; // what the description has to mention
    };
    const Row rows[] = {{w.lblAz, "方位"},     {w.lblEl, "仰角"},   {w.Label23, "UTC"},
                        {w.Label18, "地方時"}, {w.Label24, "状態"}, {w.Label25, "エラー"}};
    for (const Row& row : rows) {
        row.label->setText(QStringLiteral("123.4"));
        EXPECT_EQ(AccessibleText(row.label, QAccessible::Name), QStringLiteral("123.4"))
            << row.label->objectName().toStdString();
        EXPECT_TRUE(AccessibleText(row.label, QAccessible::Description).contains(QString::fromUtf8(row.word)))
            << row.label->objectName().toStdString();
    }
}

TEST_F(AccessibilityFixture, IndicatorNamesFollowTheRelays) {
    Form1& w = Make();
    struct Row {
        bool right, left, up, down;
        const char* on; // the one indicator expected to read "オン"; nullptr for all off
    };
    const Row rows[] = {{true, false, false, false, "Shape1"},
                        {false, true, false, false, "Shape2"},
                        {false, false, true, false, "Shape3"},
                        {false, false, false, true, "Shape4"},
                        {false, false, false, false, nullptr}};
    for (const Row& row : rows) {
        w.ShowRelayIndicators(row.right, row.left, row.up, row.down);
        for (int i = 1; i <= 4; ++i) {
            const QString name = AccessibleText(w.Shape[i], QAccessible::Name);
            const bool expectOn = row.on && w.Shape[i]->objectName() == QLatin1String(row.on);
            EXPECT_TRUE(name.endsWith(expectOn ? QStringLiteral("オン") : QStringLiteral("オフ")))
                << w.Shape[i]->objectName().toStdString() << " " << name.toStdString();
        }
    }
    EXPECT_TRUE(AccessibleText(w.Shape[1], QAccessible::Name).startsWith(QStringLiteral("右回転")));
    EXPECT_TRUE(AccessibleText(w.Shape[2], QAccessible::Name).startsWith(QStringLiteral("左回転")));
}

TEST_F(AccessibilityFixture, TabWalksTheControlsInReadingOrderAndSkipsHiddenBoxes) {
    Form1& w = Make();
    for (QPushButton* b : {w.Command1, w.Command2, w.Command3, w.Command4, w.Command5, w.Command6})
        b->setEnabled(true);
    w.Check2->setChecked(true); // information panel shown
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.Option1->setFocus(Qt::TabFocusReason);

    const QList<QWidget*> order{w.Option1,  w.Text[17], w.Combo1,   w.Command2, w.Command3, w.Command4,
                                w.Command5, w.Command6, w.Command1, w.Slider2,  w.Slider1,  w.Check1,
                                w.Check2,   w.Text[5],  w.Text[8],  w.Text[6],  w.Text[7],  w.Text[12],
                                w.Text[13], w.Text[14], w.Text[15], w.Text[18], w.Text[19]};
    QStringList visited;
    for (qsizetype i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        visited << focused->objectName();
    }
    QStringList expected;
    for (qsizetype i = 1; i < order.size(); ++i)
        expected << order[i]->objectName();
    EXPECT_EQ(visited, expected);
    // Past the last box Tab comes back round to the target choice, never into the hidden boxes.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(w.Option1));
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

#include "mainwindow/Form1.h"
#include "support/FakePorts.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// A main window on fakes, with ORBI answering and the settings file in a temporary folder.
struct MainWindowFixture : ::testing::Test {
    QTemporaryDir dir;
    FakeWorld world;
    std::unique_ptr<Form1> window;
    QList<int> endCodes;

    QString iniPath() const { return dir.filePath(QStringLiteral("rotorcfg.ini")); }

    void SetUp() override {
        QMap<QString, QString> orbi;
        for (const char* item : {"TEXT1", "TEXT2", "TEXT3", "TEXT4", "TEXT5", "TEXT6", "TEXT7", "text8",
                                 "text9", "text10", "text11", "text20", "text21"})
            orbi[QString::fromLatin1(item)] = QStringLiteral("10");
        orbi[QStringLiteral("TEXT1")] = QStringLiteral("ISS");
        world.link.servers[QStringLiteral("ORBI|EXTRN")] = orbi;
    }

    void WriteIni(const QByteArray& text) {
        QFile f(iniPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    Form1& Make() {
        window = std::make_unique<Form1>(world.ports(), iniPath());
        window->setEndHandler([this](int code) { endCodes << code; });
        return *window;
    }

    template <class T> T* Find(const char* name) { return window->findChild<T*>(QLatin1String(name)); }
};

TEST_F(MainWindowFixture, WidgetsCarryTheirCaptionsAndTips) {
    Make();
    struct Row {
        const char* name;
        const char* caption;
        const char* tip;
    };
    const Row buttons[] = {{"Command1", "終了", "プログラムの終了"},
                           {"Command2", "手動", "手動による移動開始"},
                           {"Command3", "自動", "衛星の自動追尾の開始"},
                           {"Command4", "中止", "各動作を途中で中止"},
                           {"Command5", "選局", "登録リストから選択された局への移動開始"},
                           {"Command6", "スケジュール", "スケジュール運用の開始"}};
    for (const Row& r : buttons) {
        auto* b = Find<QPushButton>(r.name);
        ASSERT_NE(b, nullptr) << r.name;
        EXPECT_EQ(b->text(), QString::fromUtf8(r.caption));
        EXPECT_EQ(b->toolTip(), QString::fromUtf8(r.tip));
    }
    const Row options[] = {{"Option1", "人工衛星", "表示された人工衛星の追跡指示"},
                           {"Option2", "太陽", "太陽の追跡指示"},
                           {"Option3", "月", "月の追跡指示"},
                           {"Option4", "火星", ""}};
    for (const Row& r : options) {
        auto* o = Find<QRadioButton>(r.name);
        ASSERT_NE(o, nullptr) << r.name;
        EXPECT_EQ(o->text(), QString::fromUtf8(r.caption));
        EXPECT_EQ(o->toolTip(), QString::fromUtf8(r.tip));
    }
    const Row labels[] = {{"Label19", "左回転 ", "水平ロータの左回転時のインジケータ"},
                          {"Label20", "右回転", "水平ロータの右回転時のインジケータ"},
                          {"Label21", "ＵＰ", "仰角ＵＰ動作のインジケータ"},
                          {"Label22", "ＤＯＷＮ", "仰角のＤＯＷＮ動作時のインジケータ"}};
    for (const Row& r : labels) {
        auto* l = Find<QLabel>(r.name);
        ASSERT_NE(l, nullptr) << r.name;
        EXPECT_EQ(l->text(), QString::fromUtf8(r.caption));
        EXPECT_EQ(l->toolTip(), QString::fromUtf8(r.tip));
    }
    EXPECT_EQ(window->windowTitle(), QStringLiteral("アゼルモンv1.21"));
    EXPECT_EQ(Find<QCheckBox>("Check1")->text(), QStringLiteral("ＯＦＦ"));
    EXPECT_TRUE(Find<QRadioButton>("Option1")->isChecked());
    EXPECT_EQ(Find<QWidget>("Picture1")->toolTip(), QStringLiteral("手動選択の場合、位置を指示してください"));
}

TEST_F(MainWindowFixture, MenuTreeAndStartMarks) {
    Make();
    struct Row {
        const char* name;
        const char* caption;
    };
    const Row items[] = {{"menucls", "閉じる(&C)"},
                         {"menuhoseiti", "補正値の設定"},
                         {"MENU_ITI", "WINDOWSの位置決定"},
                         {"menukyoku", "局リスト登録"},
                         {"menu_s_hyouji", "表示 "},
                         {"menu_s_hihyouji", "非表示"},
                         {"menu_debug_on", "ＤＥＢＵＧ－ＯＮ"},
                         {"menu_debug_off", "ＤＥＢＵＧ＿ＯＦＦ"},
                         {"menusousa", "プログラム操作説明"},
                         {"menuhome", "ＳＯＲＡＮＯのホームページ"},
                         {"menuver", "バージョン"}};
    for (const Row& r : items) {
        auto* a = Find<QAction>(r.name);
        ASSERT_NE(a, nullptr) << r.name;
        EXPECT_EQ(a->text(), QString::fromUtf8(r.caption));
    }
    const Row menus[] = {{"menufile", "ファイル(&F)"},  {"menuset", "設定(&S)"},
                         {"menuhelp", "ヘルプ(&H)"},    {"menu_sun", "太陽の表示(&T)"},
                         {"menu_moon", "月の表示(&M)"}, {"menu_kasei", "火星の表示(&K)"},
                         {"menu_debug", "ＤＥＢＵＧ"}};
    for (const Row& r : menus) {
        auto* m = Find<QMenu>(r.name);
        ASSERT_NE(m, nullptr) << r.name;
        EXPECT_EQ(m->title(), QString::fromUtf8(r.caption));
    }
    EXPECT_TRUE(Find<QAction>("menu_s_hihyouji")->isChecked());
    EXPECT_TRUE(Find<QAction>("menu_debug_off")->isChecked());
    // The debug switch: twice on keeps the mark there, off moves it.
    window->menu_debug_on_Click();
    window->menu_debug_on_Click();
    EXPECT_TRUE(window->menu_debug_on->isChecked());
    EXPECT_FALSE(window->menu_debug_off->isChecked());
    EXPECT_EQ(window->state().module.DebugLogSwitch, "1");
    window->menu_debug_off_Click();
    EXPECT_TRUE(window->menu_debug_off->isChecked());
    EXPECT_FALSE(window->menu_debug_on->isChecked());
    EXPECT_EQ(window->state().module.DebugLogSwitch, "0");
}

TEST_F(MainWindowFixture, StartUpLeavesButtonsDisabledAndTouchesNoRelay) {
    WriteIni("[WIN_POSITION]\r\nF1_TOP_LEFT=1200:300\r\n[TCP/IP]\r\nIP=127.0.0.1\r\n");
    Form1& w = Make();
    EXPECT_FALSE(w.Timer1->isActive());
    EXPECT_TRUE(w.Timer2->isActive());
    EXPECT_EQ(w.Timer2->interval(), 800);
    EXPECT_EQ(w.Timer3->interval(), 100);
    EXPECT_EQ(w.Timer4->interval(), 15000);
    ASSERT_TRUE(w.Form_Load());
    for (const char* name : {"Command2", "Command3", "Command4", "Command5", "Command6"})
        EXPECT_FALSE(Find<QPushButton>(name)->isEnabled()) << name;
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_TRUE(world.board.writes.empty());
    EXPECT_EQ(world.board.address, "127.0.0.1");
    EXPECT_EQ(w.x(), 300 / TwipsPerPixel);
    EXPECT_EQ(w.y(), 1200 / TwipsPerPixel);
    EXPECT_EQ(w.width(), Px(5300));
    EXPECT_EQ(w.state().StartupState, 1);
    EXPECT_TRUE(endCodes.isEmpty());
}

// A message box during start-up lets timers run; the tracking cycle must not, before the settings are read.
TEST_F(MainWindowFixture, NoTrackingCycleWhileStartUpShowsAMessage) {
    WriteIni("[VPOSITION]\r\nV-RANGE=90,0\r\n");
    Form1& w = Make();
    QList<bool> cycleRunning;
    world.messages.onShow = [&](const QString&) { cycleRunning << w.Timer1->isActive(); };
    ASSERT_TRUE(w.Form_Load());
    ASSERT_FALSE(cycleRunning.isEmpty());
    EXPECT_FALSE(cycleRunning.contains(true));
    EXPECT_TRUE(w.Timer1->isActive());
}

// With AZELMON_TRACE set, every status-line text goes to the trace with the monotonic time.
TEST_F(MainWindowFixture, TraceRecordsTheStatusLine) {
    const QString path = dir.filePath(QStringLiteral("trace.log"));
    qputenv("AZELMON_TRACE", path.toLocal8Bit());
    Form1& w = Make();
    qunsetenv("AZELMON_TRACE");
    world.clock.Advance(1234);
    w.SetLeft(QStringLiteral("1.水平制御のリトライを実行"));
    w.SetRight(QStringLiteral("エラーメッセージは x"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(
        QString::fromUtf8(f.readAll()),
        QStringLiteral("1234 status L 1.水平制御のリトライを実行\n1234 status R エラーメッセージは x\n"));
}

TEST_F(MainWindowFixture, SecondCopyShowsOnlyTheMessage) {
    Form1& w = Make();
    w.setInstanceCheck([] { return true; });
    EXPECT_FALSE(w.Form_Load());
    EXPECT_EQ(world.messages.texts.value(0), QStringLiteral("既に起動されています。"));
    EXPECT_TRUE(world.link.log.isEmpty());
    EXPECT_TRUE(world.board.writes.empty());
    EXPECT_EQ(endCodes.size(), 1);
}

// Every way out leaves the four relays off on the board, with both motors connected.
TEST_F(MainWindowFixture, EveryExitPathSwitchesAllRelaysOff) {
    const std::vector<std::pair<const char*, std::function<void(Form1&)>>> exits = {
        {"exit button", [](Form1& w) { w.Command1_Click(); }},
        {"close box", [](Form1& w) { w.close(); }},
        {"file menu close", [](Form1& w) { w.menucls_Click(); }},
    };
    for (const auto& [name, leave] : exits) {
        SCOPED_TRACE(name);
        world.board.writes.clear();
        Form1& w = Make();
        ASSERT_TRUE(w.Form_Load());
        w.state().piob4 = 1;
        w.state().piob6 = 1;
        leave(w);
        EXPECT_TRUE(w.HasEnded());
        const std::vector<RecordingBoard::Write> expected = {{6, 4, 0}, {6, 5, 0}, {6, 6, 0}, {6, 7, 0}};
        ASSERT_GE(world.board.writes.size(), 4u);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), world.board.writes.end() - 4));
        EXPECT_EQ(w.state().piob4, 0);
        EXPECT_FALSE(w.Timer2->isActive());
    }
}

TEST_F(MainWindowFixture, WindowPositionIsSavedAndAFailedWriteIsShown) {
    Form1& w = Make();
    ASSERT_TRUE(w.Form_Load());
    w.move(20, 40);
    w.MENU_ITI_Click();
    EXPECT_EQ(w.state().module.WindowPositionText, "600:300");
    QFile f(iniPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("F1_TOP_LEFT=600:300"));

    // A settings path whose folder is a plain file cannot be written.
    QFile blocker(dir.filePath(QStringLiteral("notafolder")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Form1 other(world.ports(), dir.filePath(QStringLiteral("notafolder/rotorcfg.ini")));
    other.setEndHandler([](int) {});
    world.messages.texts.clear();
    other.MENU_ITI_Click();
    EXPECT_FALSE(other.Label24->text().isEmpty());
}

} // namespace

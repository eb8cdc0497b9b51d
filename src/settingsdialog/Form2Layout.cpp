// SPDX-License-Identifier: GPL-3.0-or-later
// The settings dialog's widgets, placed in twips like the main window (15 twips to a pixel).
#include "settingsdialog/Form2.h"
#include "settingsdialog/TrackingGroup.h"
#include "settingsdialog/WidgetMaking.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>

namespace {

void Place(QWidget* w, int x, int y, int width, int height) {
    w->setGeometry(TwipsRect(x, y, width, height));
}

template <class T>
T* Make(QWidget* parent, const QString& name, const QString& text, int x, int y, int w, int h) {
    return MakeWidget<T>(parent, name, text, TwipsRect(x, y, w, h));
}

QSlider* MakeSlider(QWidget* parent, int number, int min, int max, int x, int y, int w,
                    const QString& tip = QString()) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(QStringLiteral("Slider%1").arg(number));
    s->setRange(min, max);
    s->setSingleStep(1);
    s->setPageStep(1);
    s->setTickPosition(QSlider::TicksBelow);
    s->setTickInterval(max - min > 20 ? 30 : 1);
    // A slider "clicks" when the user lets go of it, not at every step of a drag.
    s->setTracking(false);
    s->setToolTip(tip);
    Place(s, x, y, w, 360);
    return s;
}

// Plain scale texts under a slider: (text, offset from the slider's left edge).
void Marks(QWidget* parent, int x, int y, int w, std::initializer_list<const char*> texts) {
    const int n = static_cast<int>(texts.size());
    int i = 0;
    for (const char* t : texts) {
        auto* l = new QLabel(QString::fromUtf8(t), parent);
        const int at = n > 1 ? x + i * (w - 300) / (n - 1) : x;
        Place(l, at, y, 400, 220);
        ++i;
    }
}

} // namespace

void Form2::BuildWidgets() {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("設定（ＩＮＩファイル）"));
    setWindowFlag(Qt::Dialog);
    setFixedSize(Px(8160), Px(8835 + 1680)); // + the pass-following group below the buttons

    auto label = [this](int n, QWidget* parent, const char* text, int x, int y, int w, int h = 260) {
        Label[n] =
            Make<QLabel>(parent, QStringLiteral("Label%1").arg(n), QString::fromUtf8(text), x, y, w, h);
        return Label[n];
    };

    // Start point and delay.
    Frame7 = Make<QGroupBox>(this, QStringLiteral("Frame7"), QStringLiteral("起点設定"), 120, 60, 2400, 760);
    Option1 = Make<QRadioButton>(Frame7, QStringLiteral("Option1"), QStringLiteral("北"), 240, 340, 900, 300);
    Option2 =
        Make<QRadioButton>(Frame7, QStringLiteral("Option2"), QStringLiteral("南"), 1320, 340, 900, 300);
    Option1->setChecked(true);

    Frame8 = Make<QGroupBox>(this, QStringLiteral("Frame8"), QStringLiteral("アンテナ制御の遅延時間設定"),
                             2640, 60, 5400, 760);
    Check3 = Make<QCheckBox>(Frame8, QStringLiteral("Check3"), QStringLiteral("遅延時間設定"), 120, 340, 1700,
                             300);
    Slider[11] = MakeSlider(Frame8, 11, 0, 15, 1900, 300, 2400);
    label(34, Frame8, "0.0", 4450, 340, 500);
    label(35, Frame8, "秒", 4950, 340, 300);

    // Azimuth: live voltage, correction, range and the two capture buttons.
    Frame1 = Make<QGroupBox>(this, QStringLiteral("Frame1"), QStringLiteral("水平"), 120, 880, 7920, 2400);
    label(2, Frame1, "水平検出電圧", 120, 340, 1400);
    label(1, Frame1, "0.000", 1600, 340, 900)->setToolTip(QStringLiteral("水平角検出電圧"));
    label(3, Frame1, "水平補正角", 120, 800, 1400);
    Slider[1] = MakeSlider(Frame1, 1, -5, 5, 1600, 740, 2400, QStringLiteral("水平角の補正値の設定"));
    Marks(Frame1, 1600, 1100, 2400, {"-5", "0", "5"});
    Command2 =
        Make<QPushButton>(Frame1, QStringLiteral("Command2"), QStringLiteral("０度"), 4500, 300, 1200, 380);
    Command2->setToolTip(QStringLiteral("水平角０度の時の電圧の設定時に押下"));
    Command3 = Make<QPushButton>(Frame1, QStringLiteral("Command3"), QStringLiteral("３６０度"), 4500, 780,
                                 1200, 380);
    Command3->setToolTip(QStringLiteral("水平角３６０度の電圧設定時に押下"));
    label(32, Frame1, "最小水平角の設定", 120, 1460, 1900);
    Slider[9] = MakeSlider(Frame1, 9, 0, 360, 2100, 1400, 5600);
    label(33, Frame1, "最大水平角の設定", 120, 1920, 1900);
    Slider[10] = MakeSlider(Frame1, 10, 0, 360, 2100, 1860, 5600);

    // Elevation, the same way.
    Frame2 = Make<QGroupBox>(this, QStringLiteral("Frame2"), QStringLiteral("仰角 "), 120, 3340, 7920, 2400);
    label(5, Frame2, "仰角検出電圧", 120, 340, 1400);
    label(4, Frame2, "0.000", 1600, 340, 900)->setToolTip(QStringLiteral("仰角検出電圧"));
    label(6, Frame2, "仰角補正角", 120, 800, 1400);
    Slider[2] = MakeSlider(Frame2, 2, -5, 5, 1600, 740, 2400, QStringLiteral("仰角の補正値の設定"));
    Marks(Frame2, 1600, 1100, 2400, {"-5", "0", "5"});
    Command5 =
        Make<QPushButton>(Frame2, QStringLiteral("Command5"), QStringLiteral("０度"), 4500, 300, 1200, 380);
    Command5->setToolTip(QStringLiteral("仰角０度の時の電圧設定時に押下"));
    Command6 =
        Make<QPushButton>(Frame2, QStringLiteral("Command6"), QStringLiteral("９０度"), 4500, 780, 1200, 380);
    Command6->setToolTip(QStringLiteral("仰角９０度の電圧設定時に押下"));
    label(31, Frame2, "最小仰角の設定", 120, 1460, 1900);
    Slider[8] = MakeSlider(Frame2, 8, 0, 90, 2100, 1400, 5600);
    label(29, Frame2, "最大仰角の設定", 120, 1920, 1900);
    Slider[7] = MakeSlider(Frame2, 7, 0, 90, 2100, 1860, 5600);

    // The captured voltages: shown, never read back.
    struct Box {
        int number;
        QWidget* frame;
        int y;
        const char* text;
        const char* tip;
    };
    const Box boxes[] = {{1, Frame1, 320, " 0.000", "水平角０度の時の電圧"},
                         {2, Frame1, 800, " 5.000", "水平角３６０度の時の電圧"},
                         {3, Frame2, 320, " 0.000", "仰角０度の時の電圧"},
                         {4, Frame2, 800, " 2.500", "仰角９０度の時の電圧"}};
    for (const Box& b : boxes) {
        Text[b.number] = Make<QLineEdit>(b.frame, QStringLiteral("Text%1").arg(b.number),
                                         QString::fromUtf8(b.text), 5850, b.y, 1300, 340);
        Text[b.number]->setToolTip(QString::fromUtf8(b.tip));
    }

    // Tolerances.
    Frame3 = Make<QGroupBox>(this, QStringLiteral("Frame3"), QStringLiteral("追跡完了誤差範囲設定"), 120,
                             5800, 7920, 1660);
    Frame4 =
        Make<QGroupBox>(Frame3, QStringLiteral("Frame4"), QStringLiteral("水平誤差"), 120, 260, 3780, 1320);
    Frame5 =
        Make<QGroupBox>(Frame3, QStringLiteral("Frame5"), QStringLiteral("仰角誤差"), 4020, 260, 3780, 1320);
    struct Tolerance {
        QGroupBox* frame;
        int whole, tenths;
        const char* tip;
    };
    for (const Tolerance& t : {Tolerance{Frame4, 3, 5, "水平方向の追跡誤差範囲の設定"},
                               Tolerance{Frame5, 4, 6, "仰角方向の追跡誤差範囲の設定"}}) {
        Place(new QLabel(QStringLiteral("×１"), t.frame), 120, 300, 780, 260);
        Slider[t.whole] = MakeSlider(t.frame, t.whole, 0, 10, 900, 260, 2700, QString::fromUtf8(t.tip));
        Marks(t.frame, 900, 560, 2700, {"0", "5", "10"});
        Place(new QLabel(QStringLiteral("×０．１"), t.frame), 120, 840, 780, 260);
        Slider[t.tenths] = MakeSlider(t.frame, t.tenths, 0, 9, 900, 800, 2700, QString::fromUtf8(t.tip));
        Marks(t.frame, 900, 1100, 1800, {"0.0", "0.5"}); // "0.5" under position 5 of 9
    }

    // Board address.
    label(30, this, "PICNICのＩＰアドレス", 120, 7560, 2000, 300);
    for (int i = 5; i <= 8; ++i) {
        const int x = 2200 + (i - 5) * 720;
        Text[i] = Make<QLineEdit>(this, QStringLiteral("Text%1").arg(i), QString(), x, 7540, 580, 340);
        Text[i]->setMaxLength(3);
        Place(new QLabel(QLatin1String(i < 8 ? "." : ":"), this), x + 610, 7600, 100, 260);
    }
    // The port, as an address is written: "192.168.0.200:502".
    BoardPort = Make<QLineEdit>(this, QStringLiteral("BoardPort"), QString(), 5080, 7540, 840, 340);
    BoardPort->setMaxLength(5);
    BoardPort->setPlaceholderText(QStringLiteral("502"));
    BoardPort->setToolTip(QStringLiteral("ボードの TCP ポート番号（空欄は 502。保存して再起動すると有効）"));
    Text[5]->setText(QStringLiteral("192"));
    Text[6]->setText(QStringLiteral("168"));
    Text[7]->setText(QStringLiteral("0"));
    Text[8]->setText(QStringLiteral("200"));
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Place(Combo1, 6000, 7540, 2040, 340);
    Combo1->addItem(QStringLiteral("シミュレーション"), QStringLiteral("SIM"));
    Combo1->addItem(QStringLiteral("実機（Modbus）"), QStringLiteral("MODBUS"));
    Combo1->setToolTip(QStringLiteral("起動時に使うボード（保存して再起動すると有効）"));

    // Rotators in use, error lines, save and close.
    Frame6 =
        Make<QGroupBox>(this, QStringLiteral("Frame6"), QStringLiteral("制御対象"), 120, 7980, 4000, 780);
    Check1 = Make<QCheckBox>(Frame6, QStringLiteral("Check1"), QStringLiteral("水平ローテータ"), 120, 340,
                             1850, 300);
    Check1->setToolTip(QStringLiteral("水平ローテータ利用の場合選択"));
    Check2 = Make<QCheckBox>(Frame6, QStringLiteral("Check2"), QStringLiteral("仰角ローテータ"), 2040, 340,
                             1850, 300);
    Check2->setToolTip(QStringLiteral("仰角ローテータ利用の場合選択"));
    label(27, this, "", 4260, 7960, 3780);
    label(28, this, "", 4260, 8200, 3780);
    Command4 = Make<QPushButton>(this, QStringLiteral("Command4"), QStringLiteral("設定保存"), 5100, 8440,
                                 1380, 360);
    Command4->setToolTip(QStringLiteral("設定された項目の保存"));
    Command1 =
        Make<QPushButton>(this, QStringLiteral("Command1"), QStringLiteral("閉じる"), 6620, 8440, 1380, 360);
    Command1->setToolTip(QStringLiteral("設定の終了"));

    // Pass following (section TRACKING), below everything else.
    trackingGroup_ = new TrackingGroup(this);
    trackingGroup_->setGeometry(TwipsRect(120, 8880, 7920, 1580));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(2000);
}

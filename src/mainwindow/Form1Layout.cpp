// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's widgets, placed as the station operator has always seen them: a narrow window
// with the sky map top left, the target choice beside it, the command buttons and indicators below,
// and the information panel as a right-hand column shown on demand.
#include "mainwindow/Form1.h"

#include "mainwindow/FittedLabelText.h"
#include "skymap/SkyMapWidget.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
    return MakeWidget<QLabel>(parent, QLatin1String(name), caption, geometry);
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QString& tip,
                        QRect geometry) {
    auto* button = MakeWidget<QPushButton>(parent, QLatin1String(name), caption, geometry, tip);
    button->setAutoFillBackground(true);
    return button;
}

QGroupBox* MakeFrame(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
    return MakeWidget<QGroupBox>(parent, QLatin1String(name), caption, geometry);
}

// A relay lamp: a rounded outline, filled red while its "filled" property is true. Painted by hand
// rather than styled: a style sheet set for every switch re-styles the whole frame, several times a
// step. Its background is filled, so the group behind it is not repainted with it.
class RelayLamp : public QFrame {
  public:
    using QFrame::QFrame;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(property("filled").toBool() ? QBrush(Qt::red) : QBrush(Qt::NoBrush));
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
    }
};

QFrame* MakeIndicator(QWidget* parent, int number, QRect geometry) {
    auto* shape = new RelayLamp(parent);
    shape->setAutoFillBackground(true);
    shape->setObjectName(QStringLiteral("Shape%1").arg(number));
    shape->setGeometry(geometry);
    shape->setFrameShape(QFrame::Box);
    shape->setProperty("filled", false);
    return shape;
}

// Keeps a relay indicator's accessible name telling whether its relay is on, so a screen reader
// hears "右回転：オン" where a sighted operator sees the lamp filled.
class IndicatorName : public QObject {
  public:
    IndicatorName(QFrame* shape, QString caption)
        : QObject(shape), shape_(shape), caption_(std::move(caption)) {
        shape->installEventFilter(this);
        Update();
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == shape_ && event->type() == QEvent::DynamicPropertyChange)
            Update();
        return false;
    }

  private:
    void Update() {
        const bool on = shape_->property("filled").toBool();
        const QString name = caption_ + (on ? QStringLiteral("：オン") : QStringLiteral("：オフ"));
        if (shape_->accessibleName() == name)
            return;
        shape_->setAccessibleName(name);
        QAccessibleEvent changed(shape_, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }

    QFrame* shape_;
    QString caption_;
};

// What the desktop's accessibility service (and so a screen reader) is told about the controls whose
// caption or tool-tip does not say it, and the order Tab walks through the window.
void DescribeForAccessibility(Form1& w) {
    // Value displays keep their live text as the accessible name; the description says what it is.
    const std::pair<QLabel*, const char*> displays[] = {
        {w.lblAz, "追跡対象の方位角（度）"},
        {w.lblEl, "追跡対象の仰角（度）"},
        {w.Label23, "現在時刻（協定世界時 UTC）"},
        {w.Label18, "現在時刻（地方時）"},
        {w.Label24, "状態表示：エラー番号とリトライの表示"},
        {w.Label25, "状態表示：エラーメッセージ"},
    };
    for (const auto& [label, description] : displays)
        label->setAccessibleDescription(QString::fromUtf8(description));

    const std::pair<int, const char*> indicators[] = {
        {1, "右回転"}, {2, "左回転"}, {3, "仰角ＵＰ"}, {4, "仰角ＤＯＷＮ"}};
    for (const auto& [number, caption] : indicators) {
        new IndicatorName(w.Shape[number], QString::fromUtf8(caption));
        w.Shape[number]->setAccessibleDescription(QStringLiteral("リレーの動作中に点灯するインジケータ"));
    }

    w.Picture1->setAccessibleName(QStringLiteral("天空図"));
    w.Text[17]->setAccessibleName(QStringLiteral("追跡対象の名前"));
    w.Slider2->setAccessibleName(QStringLiteral("水平ローター補正"));
    w.Slider1->setAccessibleName(QStringLiteral("仰角ローター補正"));
    w.Check1->setAccessibleName(QStringLiteral("効果音ＯＦＦ"));
    w.Check2->setAccessibleName(QStringLiteral("衛星情報の表示"));
    w.Check2->setAccessibleDescription(QStringLiteral("距離や太陽・月・火星の位置などの情報欄を表示します"));

    // Data boxes: named after the value each one holds; the hidden ones stay out of the Tab order.
    const std::pair<int, const char*> boxes[] = {
        {1, "衛星名"},       {2, "ＭＪＤ"},        {3, "方位角"},        {4, "仰角"},
        {5, "距離"},         {6, "距離変化"},      {7, "ＭＡ"},          {8, "周回番号"},
        {9, "Ｘ座標（ｍ）"}, {10, "Ｙ座標（ｍ）"}, {11, "Ｚ座標（ｍ）"}, {12, "太陽の方位角"},
        {13, "太陽の仰角"},  {14, "月の方位角"},   {15, "月の仰角"},     {18, "火星の方位角"},
        {19, "火星の仰角"}};
    for (const auto& [box, caption] : boxes) {
        w.Text[box]->setAccessibleName(QString::fromUtf8(caption));
        w.Text[box]->setAccessibleDescription(QStringLiteral("追跡プログラムから受け取った値"));
    }
    for (int box : {1, 2, 3, 4, 9, 10, 11})
        w.Text[box]->setFocusPolicy(Qt::NoFocus);

    // Tab order: target choice, station list, the buttons row by row, corrections, switches, panel.
    const QList<QWidget*> chain{w.Option1,  w.Option2,  w.Option3,  w.Option4,  w.Text[17], w.Combo1,
                                w.Command2, w.Command3, w.Command4, w.Command5, w.Command6, w.Command1,
                                w.Slider2,  w.Slider1,  w.Check1,   w.Check2,   w.Text[5],  w.Text[8],
                                w.Text[6],  w.Text[7],  w.Text[12], w.Text[13], w.Text[14], w.Text[15],
                                w.Text[18], w.Text[19]};
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

} // namespace

void Form1::BuildWidgets() {
    central = new QWidget(this);
    central->setObjectName(QStringLiteral("Form1Client"));
    setCentralWidget(central);
    QFont small = font();
    small.setPointSize(8);

    // Sky map, 2775 x 2775 twips.
    Picture1 = new SkyMapWidget(central);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setToolTip(QStringLiteral("手動選択の場合、位置を指示してください"));
    Picture1->setGeometry(4, 4, Px(2775), Px(2775));

    // Target choice.
    auto* Frame6 = MakeFrame(central, "Frame6", QStringLiteral("追跡対象の選択"), QRect(194, 0, 155, 100));
    Text[17] = new QLineEdit(Frame6);
    Text[17]->setObjectName(QStringLiteral("Text17"));
    Text[17]->setGeometry(6, 18, 143, 20);
    Text[17]->setReadOnly(true);
    Option1 = new QRadioButton(QStringLiteral("人工衛星"), Frame6);
    Option1->setToolTip(QStringLiteral("表示された人工衛星の追跡指示"));
    Option2 = new QRadioButton(QStringLiteral("太陽"), Frame6);
    Option2->setToolTip(QStringLiteral("太陽の追跡指示"));
    Option3 = new QRadioButton(QStringLiteral("月"), Frame6);
    Option3->setToolTip(QStringLiteral("月の追跡指示"));
    Option4 = new QRadioButton(QStringLiteral("火星"), Frame6);
    const std::array<QRadioButton*, 4> options{Option1, Option2, Option3, Option4};
    for (int i = 0; i < 4; ++i) {
        options[i]->setObjectName(QStringLiteral("Option%1").arg(i + 1));
        options[i]->setGeometry(6 + (i % 2) * 74, 42 + (i / 2) * 26, 72, 22);
    }
    Option1->setChecked(true);

    // Target angles and clocks.
    MakeLabel(central, "Label2", QStringLiteral("  方位"), QRect(196, 104, 44, 24));
    MakeLabel(central, "Label1", QStringLiteral("   仰角"), QRect(196, 130, 44, 24));
    QFont big = font();
    big.setPointSizeF(TargetAnglePointSize);
    big.setBold(true);
    lblAz = MakeLabel(central, "lblAz", QString(), QRect(242, 104, 104, 24));
    lblEl = MakeLabel(central, "lblEl", QString(), QRect(242, 130, 104, 24));
    for (QLabel* l : {lblAz, lblEl}) {
        l->setFont(big);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setAutoFillBackground(true);
        QPalette p = l->palette();
        p.setColor(QPalette::Window, Qt::black);
        p.setColor(QPalette::WindowText, QColor(255, 255, 0));
        l->setPalette(p);
    }
    Label23 = MakeLabel(central, "Label23", QString(), QRect(196, 158, 152, 15));
    Label18 = MakeLabel(central, "Label18", QString(), QRect(196, 174, 152, 15));
    Label23->setFont(small);
    Label18->setFont(small);

    // Station list.
    MakeLabel(central, "Label30", QStringLiteral("方位   仰角　無線局／放送局"), QRect(6, 192, 184, 15))
        ->setFont(small);
    Combo1 = new QComboBox(central);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setToolTip(QStringLiteral("局リストの選択"));
    Combo1->setGeometry(4, 208, 186, 22);

    // Command buttons.
    Command2 = MakeButton(central, "Command2", QStringLiteral("手動"), QStringLiteral("手動による移動開始"),
                          QRect(4, 234, 60, 26));
    Command3 = MakeButton(central, "Command3", QStringLiteral("自動"), QStringLiteral("衛星の自動追尾の開始"),
                          QRect(67, 234, 60, 26));
    Command4 = MakeButton(central, "Command4", QStringLiteral("中止"), QStringLiteral("各動作を途中で中止"),
                          QRect(130, 234, 60, 26));
    Command5 = MakeButton(central, "Command5", QStringLiteral("選局"),
                          QStringLiteral("登録リストから選択された局への移動開始"), QRect(4, 263, 60, 26));
    Command6 = MakeButton(central, "Command6", QStringLiteral("スケジュール"),
                          QStringLiteral("スケジュール運用の開始"), QRect(67, 263, 84, 26));
    Command1 = MakeButton(central, "Command1", QStringLiteral("終了"), QStringLiteral("プログラムの終了"),
                          QRect(154, 263, 36, 26));

    // Control signals: relay indicators and the rotators' own angles.
    auto* Frame1 = MakeFrame(central, "Frame1", QStringLiteral("制御信号"), QRect(194, 190, 155, 100));
    Shape[2] = MakeIndicator(Frame1, 2, QRect(12, 20, 14, 14));
    Shape[1] = MakeIndicator(Frame1, 1, QRect(56, 20, 14, 14));
    Shape[3] = MakeIndicator(Frame1, 3, QRect(112, 20, 14, 14));
    Shape[4] = MakeIndicator(Frame1, 4, QRect(112, 52, 14, 14));
    Label19 = MakeLabel(Frame1, "Label19", QStringLiteral("左回転 "), QRect(4, 36, 44, 14));
    Label19->setToolTip(QStringLiteral("水平ロータの左回転時のインジケータ"));
    Label20 = MakeLabel(Frame1, "Label20", QStringLiteral("右回転"), QRect(48, 36, 44, 14));
    Label20->setToolTip(QStringLiteral("水平ロータの右回転時のインジケータ"));
    Label21 = MakeLabel(Frame1, "Label21", QStringLiteral("ＵＰ"), QRect(128, 20, 26, 14));
    Label21->setToolTip(QStringLiteral("仰角ＵＰ動作のインジケータ"));
    Label22 = MakeLabel(Frame1, "Label22", QStringLiteral("ＤＯＷＮ"), QRect(96, 68, 56, 14));
    Label22->setToolTip(QStringLiteral("仰角のＤＯＷＮ動作時のインジケータ"));
    for (QLabel* l : {Label19, Label20, Label21, Label22})
        l->setFont(small);
    MakeLabel(Frame1, "Label29", QStringLiteral("方位"), QRect(4, 56, 28, 16));
    MakeLabel(Frame1, "Label28", QStringLiteral("仰角"), QRect(4, 76, 28, 16));
    Label26 = MakeLabel(Frame1, "Label26", QString(), QRect(32, 56, 56, 16));
    Label26->setToolTip(QStringLiteral("水平ローテータの指示角度の表示"));
    Label27 = MakeLabel(Frame1, "Label27", QString(), QRect(32, 76, 56, 16));
    Label27->setToolTip(QStringLiteral("仰角ローテータの指示角度の表示"));
    for (QLabel* l : {Label26, Label27})
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    // Temporary corrections, whole degrees -5..5, not saved.
    auto* Frame3 = MakeFrame(central, "Frame3", QStringLiteral("一時補正"), QRect(4, 292, 186, 92));
    MakeLabel(Frame3, "Label31", QStringLiteral("水平ローター補正"), QRect(6, 16, 120, 14))->setFont(small);
    MakeLabel(Frame3, "Label32", QStringLiteral("仰角ローター補正"), QRect(6, 52, 120, 14))->setFont(small);
    Slider2 = new QSlider(Qt::Horizontal, Frame3);
    Slider2->setToolTip(QStringLiteral("一時的な方位角の補正"));
    Slider2->setGeometry(6, 29, 174, 14);
    Slider1 = new QSlider(Qt::Horizontal, Frame3);
    Slider1->setToolTip(QStringLiteral("一時的な仰角の補正"));
    Slider1->setGeometry(6, 65, 174, 14);
    Slider1->setObjectName(QStringLiteral("Slider1"));
    Slider2->setObjectName(QStringLiteral("Slider2"));
    for (QSlider* s : {Slider1, Slider2}) {
        s->setRange(-5, 5);
        s->setValue(0);
        s->setTickPosition(QSlider::TicksBelow);
        s->setPageStep(1);
    }
    MakeLabel(Frame3, "Label33", QStringLiteral("-5　　　　　　0　　　　　　5"), QRect(8, 41, 170, 12))
        ->setFont(small);
    MakeLabel(Frame3, "Label34", QStringLiteral("-5　　　　　　0　　　　　　5"), QRect(8, 77, 170, 12))
        ->setFont(small);

    // Sound cues and the information panel switch.
    auto* Frame4 = MakeFrame(central, "Frame4", QStringLiteral("効果音"), QRect(194, 292, 76, 44));
    Check1 = new QCheckBox(QStringLiteral("ＯＦＦ"), Frame4);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setToolTip(QStringLiteral("衛星などが可視範囲に入ったり、外れた場合に効果音を鳴らします"));
    Check1->setGeometry(6, 18, 66, 20);
    auto* Frame5 = MakeFrame(central, "Frame5", QStringLiteral("衛星情報"), QRect(273, 292, 76, 44));
    Check2 = new QCheckBox(QStringLiteral("表示"), Frame5);
    Check2->setObjectName(QStringLiteral("Check2"));
    Check2->setGeometry(6, 18, 66, 20);

    // Status line.
    Label24 = MakeLabel(central, "Label24", QString(), QRect(194, 338, 155, 44));
    Label25 = MakeLabel(central, "Label25", QString(), QRect(4, 386, 345, 36));
    for (QLabel* l : {Label24, Label25}) {
        l->setFont(small);
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }

    // Data boxes: the information panel column at 5250 twips, the rest below the visible area.
    struct PanelRow {
        int box;
        const char* caption;
    };
    const PanelRow panel[] = {{5, "距離"},          {8, "周回番号"},    {6, "距離変化"},    {7, "ＭＡ"},
                              {12, "太陽の方位角"}, {13, "太陽の仰角"}, {14, "月の方位角"}, {15, "月の仰角"},
                              {18, "火星の方位角"}, {19, "火星の仰角"}};
    int y = 4;
    for (const PanelRow& row : panel) {
        auto* label = MakeLabel(central, "", QString::fromUtf8(row.caption), QRect(Px(5250), y, 76, 14));
        label->setObjectName(QStringLiteral("PanelLabel%1").arg(row.box));
        label->setFont(small);
        auto* box = new QLineEdit(central);
        box->setGeometry(Px(5250), y + 14, 72, 20);
        Text[row.box] = box;
        informationPanel_.push_back(label);
        informationPanel_.push_back(box);
        y += 38;
    }
    const int hidden[] = {1, 2, 3, 4, 9, 10, 11};
    int x = 0;
    for (int box : hidden) {
        Text[box] = new QLineEdit(central);
        Text[box]->setGeometry(x, Px(7680), 48, 20);
        x += 50;
    }
    for (int i = 1; i < 20; ++i) {
        if (!Text[i])
            continue;
        Text[i]->setObjectName(QStringLiteral("Text%1").arg(i));
        if (i != 17)
            Text[i]->setText(state_.DataBox[i]);
    }
    DescribeForAccessibility(*this);
}

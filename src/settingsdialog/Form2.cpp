// SPDX-License-Identifier: GPL-3.0-or-later
#include "settingsdialog/Form2.h"
#include "config/TrackingSettings.h"
#include "settingsdialog/TrackingGroup.h"

#include "common/IoBoard.h"
#include "common/MessageSink.h"
#include "common/NumberFormat.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>

namespace {

QString Degrees(double value, const char* pattern) {
    return FormatNumber(value, QLatin1String(pattern)) + QStringLiteral("度");
}

// Puts a slider where the program wants it without that counting as the user's click.
void SetQuietly(QSlider* slider, int position) {
    const QSignalBlocker quiet(slider);
    slider->setValue(position);
}

} // namespace

Form2::Form2(ModuleState& module, IoBoard* board, MessageSink* messages, QString iniPath, QWidget* parent)
    : QWidget(parent), module_(module), board_(board), messages_(messages), iniPath_(std::move(iniPath)),
      capture_(board) {
    BuildWidgets();
    ConnectWidgets();
}

Form2::~Form2() = default;

void Form2::ConnectWidgets() {
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    // Escape leaves the dialog the same way as its close button.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, Command1, &QPushButton::click);
    connect(Command2, &QPushButton::clicked, this, &Form2::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form2::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form2::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form2::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Form2::Command6_Click);
    connect(Timer1, &QTimer::timeout, this, &Form2::Timer1_Timer);
    connect(Slider[7], &QSlider::valueChanged, this, &Form2::Slider7_Click);
    connect(Slider[8], &QSlider::valueChanged, this, &Form2::Slider8_Click);
    connect(Slider[9], &QSlider::valueChanged, this, &Form2::Slider9_Click);
    connect(Slider[10], &QSlider::valueChanged, this, &Form2::Slider10_Click);
    connect(Slider[11], &QSlider::valueChanged, this, &Form2::Slider11_Click);
    connect(Check3, &QCheckBox::toggled, this, &Form2::Check3_Click);
}

void Form2::Form_Load() {
    copies_ = LoadDialogSettings(iniPath_);
    trackingGroup_->Load(iniPath_);
    DialogSettings& c = copies_;

    (c.startPoint == QLatin1String("1") ? Option2 : Option1)->setChecked(true);

    module_.DelaySetting = c.delaySetting;
    SetQuietly(Slider[11], SliderPosition(c.delayNumber));
    module_.DelaySeconds = static_cast<float>(c.delayNumber / 10.0);
    Label[34]->setText(FormatNumber(module_.DelaySeconds, QStringLiteral("#0.0")));

    module_.DelaySwitch = c.delaySwitch;
    {
        const QSignalBlocker quiet(Check3);
        Check3->setChecked(c.delaySwitch == QLatin1String("1"));
    }

    module_.BoardAddress = c.boardAddress;
    if (board_)
        board_->SetAddress(c.boardAddress);

    module_.ElevationRangeText = c.elevationRangeText;
    module_.ElevationRangeMin = c.elevationMin;
    module_.ElevationRangeMax = c.elevationMax;
    module_.AzimuthRangeText = c.azimuthRangeText;
    module_.AzimuthRangeMin = c.azimuthMin;
    module_.AzimuthRangeMax = c.azimuthMax;
    SetQuietly(Slider[8], SliderPosition(c.elevationMin));
    SetQuietly(Slider[7], SliderPosition(c.elevationMax));
    SetQuietly(Slider[9], SliderPosition(c.azimuthMin));
    SetQuietly(Slider[10], SliderPosition(c.azimuthMax));
    ShowRangeCaptions();

    using K = DialogKey;
    SetQuietly(Slider[1], SliderPosition(c[K::HHOSEIKAKU]));
    SetQuietly(Slider[2], SliderPosition(c[K::VHOSEIKAKU]));
    SetQuietly(Slider[3], SliderPosition(c[K::HGOSA]));
    SetQuietly(Slider[4], SliderPosition(c[K::VGOSA]));
    SetQuietly(Slider[5], SliderPosition(c[K::HGOSA_D]));
    SetQuietly(Slider[6], SliderPosition(c[K::VGOSA_D]));
    Check1->setChecked(SliderPosition(c[K::H_MOTOR]) == 1);
    Check2->setChecked(SliderPosition(c[K::V_MOTOR]) == 1);

    Text[1]->setText(CalibrationCapture::CaptureText(c[K::HVOLT0]));
    Text[2]->setText(CalibrationCapture::CaptureText(c[K::HVOLT360]));
    Text[3]->setText(CalibrationCapture::CaptureText(c[K::VVOLT0]));
    Text[4]->setText(CalibrationCapture::CaptureText(c[K::VVOLT90]));
    for (int i = 0; i < 4; ++i)
        Text[5 + i]->setText(c.addressFields[i]);
    Combo1->setCurrentIndex(std::max(0, Combo1->findData(c.boardWord)));
    BoardPort->setText(c.boardPort);

    Timer1->start();

    const QString notice = LoadNotice(c);
    if (!notice.isEmpty() && messages_)
        messages_->ShowMessage(notice);
}

void Form2::ShowRangeCaptions() {
    Command5->setText(Degrees(module_.ElevationRangeMin, "00"));
    Command6->setText(Degrees(module_.ElevationRangeMax, "00"));
    Command2->setText(Degrees(module_.AzimuthRangeMin, "00"));
    Command3->setText(Degrees(module_.AzimuthRangeMax, "00"));
}

// Range sliders: the maximum may not go below the minimum and the reverse, nor meet it (a range of no
// width has no calibration span: every angle would be undefined); a refused slider goes back to the
// last accepted value.

namespace {
const char EqualRangeMessage[] =
    "最大値と最小値が同じ値になっています。最大値は最小値より大きい値にしてください";
} // namespace

bool Form2::RangeRefused(int maxSlider, int minSlider, bool movedMax) {
    const int max = Slider[maxSlider]->value(), min = Slider[minSlider]->value();
    if (max > min)
        return false;
    messages_->ShowMessage(max == min ? QString::fromUtf8(EqualRangeMessage)
                           : movedMax ? QStringLiteral("最大値が最小値より小さい値が選択されています")
                                      : QStringLiteral("最小値が最大値より大きい値が選択されています"));
    return true;
}

void Form2::Slider7_Click() {
    if (RangeRefused(7, 8, true)) {
        SetQuietly(Slider[7], SliderPosition(module_.ElevationRangeMax));
        return;
    }
    module_.ElevationRangeMax = Slider[7]->value();
    Command6->setText(Degrees(module_.ElevationRangeMax, "#0"));
}

void Form2::Slider8_Click() {
    if (RangeRefused(7, 8, false)) {
        SetQuietly(Slider[8], SliderPosition(module_.ElevationRangeMin));
        return;
    }
    module_.ElevationRangeMin = Slider[8]->value();
    Command5->setText(Degrees(module_.ElevationRangeMin, "#0"));
}

void Form2::Slider10_Click() {
    if (RangeRefused(10, 9, true)) {
        SetQuietly(Slider[10], SliderPosition(module_.AzimuthRangeMax));
        return;
    }
    module_.AzimuthRangeMax = Slider[10]->value();
    Command3->setText(Degrees(module_.AzimuthRangeMax, "##0"));
}

void Form2::Slider9_Click() {
    if (RangeRefused(10, 9, false)) {
        SetQuietly(Slider[9], SliderPosition(module_.AzimuthRangeMin));
        return;
    }
    module_.AzimuthRangeMin = Slider[9]->value();
    Command2->setText(Degrees(module_.AzimuthRangeMin, "##0"));
}

void Form2::Slider11_Click() {
    const int position = Slider[11]->value();
    module_.DelaySeconds = static_cast<float>(position / 10.0);
    Label[34]->setText(FormatNumber(position / 10.0, QStringLiteral("#0.0")));
    module_.DelaySetting = SignedPositionText(position);
}

void Form2::Check3_Click() {
    module_.DelaySwitch = Check3->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

// Live display and capture.

void Form2::Timer1_Timer() {
    using K = DialogKey;
    const auto tick = capture_.ReadSensors(copies_[K::H_MOTOR] == 1, copies_[K::V_MOTOR] == 1);
    for (const PortError& e : tick.errors) {
        Label[27]->setText(CalibrationCapture::ErrorNumberLine(e));
        Label[28]->setText(CalibrationCapture::ErrorMessageLine(e));
    }
    Label[1]->setText(tick.azimuthVoltsText);
    Label[4]->setText(tick.elevationVoltsText);
}

void Form2::Command2_Click() {
    copies_[DialogKey::HVOLT0] = capture_.AzimuthCaptureVolts();
    Text[1]->setText(CalibrationCapture::CaptureText(copies_[DialogKey::HVOLT0]));
}

void Form2::Command3_Click() {
    copies_[DialogKey::HVOLT360] = capture_.AzimuthCaptureVolts();
    Text[2]->setText(CalibrationCapture::CaptureText(copies_[DialogKey::HVOLT360]));
}

void Form2::Command5_Click() {
    copies_[DialogKey::VVOLT0] = capture_.ElevationCaptureVolts();
    Text[3]->setText(CalibrationCapture::CaptureText(copies_[DialogKey::VVOLT0]));
}

void Form2::Command6_Click() {
    copies_[DialogKey::VVOLT90] = capture_.ElevationCaptureVolts();
    Text[4]->setText(CalibrationCapture::CaptureText(copies_[DialogKey::VVOLT90]));
}

// Save and close.

int Form2::CheckBoardAddress() {
    for (int field = 1; field <= 4; ++field) {
        QLineEdit* box = Text[4 + field];
        if (!IsAddressField(box->text())) {
            messages_->ShowMessage(AddressFieldMessage(field));
            box->setFocus();
            return field;
        }
        copies_.addressFields[field - 1] = box->text();
    }
    return 0;
}

bool Form2::CheckBoardPort() {
    const auto port = PortFieldValue(BoardPort->text());
    if (!port) {
        messages_->ShowMessage(PortFieldMessage());
        BoardPort->setFocus();
        return false;
    }
    copies_.boardPort = *port;
    return true;
}

void Form2::Command4_Click() {
    if (!(module_.AzimuthRangeMax > module_.AzimuthRangeMin)) {
        messages_->ShowMessage(QStringLiteral("水平角の最大値が最小値より小さい値が選択されています"));
        Slider[9]->setFocus();
        return;
    }
    if (!(module_.ElevationRangeMax > module_.ElevationRangeMin)) {
        messages_->ShowMessage(QStringLiteral("仰角の最大値が最小値より小さい値が選択されています"));
        Slider[7]->setFocus();
        return;
    }
    if (TravelRefused())
        return;
    using K = DialogKey;
    DialogSettings& c = copies_;
    c[K::HHOSEIKAKU] = Slider[1]->value();
    c[K::VHOSEIKAKU] = Slider[2]->value();
    c[K::HGOSA] = Slider[3]->value();
    c[K::VGOSA] = Slider[4]->value();
    c[K::HGOSA_D] = Slider[5]->value();
    c[K::VGOSA_D] = Slider[6]->value();
    c[K::H_MOTOR] = Check1->isChecked() ? 1 : 0;
    c[K::V_MOTOR] = Check2->isChecked() ? 1 : 0;
    FormatSaveTexts(c);

    if (CheckBoardAddress() != 0 || !CheckBoardPort())
        return;

    c.boardWord = Combo1->currentData().toString();
    c.startPoint = Option2->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    c.delaySetting = module_.DelaySetting;
    c.delaySwitch = module_.DelaySwitch;
    const auto entries =
        SaveEntries(c, Slider[8]->value(), Slider[7]->value(), Slider[9]->value(), Slider[10]->value());
    auto written = [&entries](const char* key) {
        for (const IniEntry& e : entries) {
            if (e.key == QLatin1String(key))
                return e.value;
        }
        return QString();
    };
    module_.BoardAddress = written("IP");
    module_.ElevationRangeText = written("V-RANGE");
    module_.AzimuthRangeText = written("H-RANGE");
    if (!WriteEntries(entries, iniPath_) || !trackingGroup_->Save(iniPath_)) {
        // Saying nothing would let the user restart into the old settings believing them saved.
        messages_->ShowMessage(QStringLiteral("設定ファイル %1 に書き込めませんでした。").arg(iniPath_));
        return;
    }
    settingsSaved_ = true;
}

bool Form2::TravelRefused() {
    using K = DialogKey;
    const TrackingOptions o = trackingGroup_->Options();
    const struct {
        TravelAxis axis;
        double travel;
        AxisCalibration calibration;
        QSpinBox* box;
        const char* scale;
    } axes[] = {
        {TravelAxis::Azimuth,
         o.azimuthTravelMax,
         {copies_[K::HVOLT0], copies_[K::HVOLT360], module_.AzimuthRangeMin, module_.AzimuthRangeMax},
         trackingGroup_->AzimuthTravel,
         "360"},
        {TravelAxis::Elevation,
         o.elevationTravelMax,
         {copies_[K::VVOLT0], copies_[K::VVOLT90], module_.ElevationRangeMin, module_.ElevationRangeMax},
         trackingGroup_->ElevationTravel,
         "90"},
    };
    for (const auto& a : axes) {
        if (const auto why = UnreadableTravel(a.axis, a.travel, a.calibration)) {
            messages_->ShowMessage(*why +
                                   QStringLiteral("取り込むまでは回転範囲を %1 度にすれば保存できます。")
                                       .arg(QLatin1String(a.scale)));
            a.box->setFocus();
            return true;
        }
    }
    return false;
}

void Form2::Command1_Click() {
    close();
}

void Form2::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    closing_ = true;
    Timer1->stop();
    event->accept();
    if (settingsSaved_)
        emit RestartDemanded();
    else
        emit ClosedWithoutSave();
}

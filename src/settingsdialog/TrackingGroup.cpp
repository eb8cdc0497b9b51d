// SPDX-License-Identifier: GPL-3.0-or-later
#include "settingsdialog/TrackingGroup.h"

#include "config/ProfileFile.h"
#include "config/TrackingSettings.h"
#include "settingsdialog/WidgetMaking.h"

#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>

namespace {

QSpinBox* MakeSpin(QWidget* parent, const QString& name, int min, int max, const QString& suffix, int x,
                   int y) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(name);
    s->setRange(min, max);
    s->setSuffix(suffix);
    s->setGeometry(TwipsRect(x, y, 1300, 340));
    return s;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int width) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(TwipsRect(x, y, width, 300));
    return l;
}

} // namespace

TrackingGroup::TrackingGroup(QWidget* parent) : QGroupBox(QStringLiteral("パス追尾"), parent) {
    setObjectName(QStringLiteral("TrackingGroup"));
    LeadCheck = new QCheckBox(QStringLiteral("先行追尾"), this);
    LeadCheck->setObjectName(QStringLiteral("LeadCheck"));
    LeadCheck->setGeometry(TwipsRect(120, 300, 1500, 300));
    LeadCheck->setToolTip(QStringLiteral("衛星の動きを先読みして追尾する"));
    PrePositionCheck = new QCheckBox(QStringLiteral("AOS前に待機"), this);
    PrePositionCheck->setObjectName(QStringLiteral("PrePositionCheck"));
    PrePositionCheck->setGeometry(TwipsRect(1700, 300, 1700, 300));
    PrePositionCheck->setToolTip(QStringLiteral("パスの始まる前に出現点へ向けて待つ"));
    PrePositionSeconds =
        MakeSpin(this, QStringLiteral("PrePositionSeconds"), 10, 1800, QStringLiteral(" 秒前"), 3400, 280);
    MakeLabel(this, QStringLiteral("水平回転範囲"), 120, 720, 1500);
    AzimuthTravel =
        MakeSpin(this, QStringLiteral("AzimuthTravel"), 360, 540, QStringLiteral(" 度"), 1600, 700);
    AzimuthTravel->setToolTip(
        QStringLiteral("360度を越えて回るローテータの回転範囲（360は越えない）。校正の電圧は0度と360度で"
                       "取り込み、回転範囲の端でも5Vを越えないこと（0〜450度で0〜5Vなら360度で4.0V）"));
    MakeLabel(this, QStringLiteral("仰角回転範囲"), 3100, 720, 1500);
    ElevationTravel =
        MakeSpin(this, QStringLiteral("ElevationTravel"), 90, 180, QStringLiteral(" 度"), 4600, 700);
    ElevationTravel->setToolTip(
        QStringLiteral("90度を越えて倒れるローテータの回転範囲（90は越えない）。校正の電圧は0度と90度で"
                       "取り込み、回転範囲の端でも5Vを越えないこと（0〜180度で0〜5Vなら90度で2.5V）"));
    // How such a rotator is calibrated, where the travel is chosen.
    auto* note =
        MakeLabel(this,
                  QStringLiteral("450度・180度のローテータも電圧は0度と360度（仰角0度と90度）で取り込む。\n"
                                 "回転範囲の端が5Vを越えないこと（0〜450度で0〜5Vなら360度で4.0V）"),
                  120, 1080, 7680);
    note->setObjectName(QStringLiteral("TravelNote"));
    note->setWordWrap(true);
    note->setGeometry(TwipsRect(120, 1040, 7680, 460));
    Show(TrackingOptions{});
}

void TrackingGroup::Show(const TrackingOptions& o) {
    LeadCheck->setChecked(o.lead);
    PrePositionCheck->setChecked(o.prePosition);
    PrePositionSeconds->setValue(static_cast<int>(o.prePositionSeconds));
    AzimuthTravel->setValue(o.azimuthTravelMax > 360 ? static_cast<int>(o.azimuthTravelMax) : 360);
    ElevationTravel->setValue(o.elevationTravelMax > 90 ? static_cast<int>(o.elevationTravelMax) : 90);
}

TrackingOptions TrackingGroup::Options() const {
    TrackingOptions o;
    o.lead = LeadCheck->isChecked();
    o.prePosition = PrePositionCheck->isChecked();
    o.prePositionSeconds = PrePositionSeconds->value();
    o.azimuthTravelMax = AzimuthTravel->value() > 360 ? AzimuthTravel->value() : 0;
    o.elevationTravelMax = ElevationTravel->value() > 90 ? ElevationTravel->value() : 0;
    return o;
}

void TrackingGroup::Load(const QString& iniPath) {
    TrackingOptions o;
    ReadTrackingSettings(o, iniPath); // an unusable value shows as off; the start-up names it
    Show(o);
}

bool TrackingGroup::Save(const QString& iniPath) const {
    const TrackingOptions o = Options();
    const QString section = QStringLiteral("TRACKING");
    // A file without the section keeps without it while nothing is set: its other lines stay as they
    // always were written.
    const ProfileDocument current = ProfileDocument::Read(iniPath);
    bool present = false;
    for (const char* key : {"LEAD", "PREPOSITION", "PREPOSITION_SECONDS", "AZ_TRAVEL", "EL_TRAVEL"})
        present = present || current.Value(QLatin1String(key), section).has_value();
    if (!present && !o.AnySet())
        return true;
    bool written = true;
    const auto put = [&](const char* key, const QString& value) {
        written = SetINIValue(value, QLatin1String(key), section, iniPath) && written;
    };
    put("LEAD", o.lead ? QStringLiteral("1") : QStringLiteral("0"));
    put("PREPOSITION", o.prePosition ? QStringLiteral("1") : QStringLiteral("0"));
    put("PREPOSITION_SECONDS", QString::number(o.prePositionSeconds));
    put("AZ_TRAVEL", QString::number(o.azimuthTravelMax > 0 ? o.azimuthTravelMax : 360));
    put("EL_TRAVEL", QString::number(o.elevationTravelMax > 0 ? o.elevationTravelMax : 90));
    return written;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/DataLink.h"
#include "sky/Ephemeris.h"

#include <QDateTime>
#include <array>
#include <functional>
#include <optional>

class Clock;
class RemoteTarget;

// Under --link rotctld the data boxes are fed from inside the program instead of a
// satellite-tracking program on D-Bus: this link serves the topic "ORBI|EXTRN" with the remote
// target's name and last position and the Sun, the Moon and Mars computed for the observer. Items
// it cannot know (range, range rate, mean anomaly, revolution) are "0". Another topic is not
// there, so start-up links ORBI's boxes and never needs Calsat32. Requests never block.
//
// Before the first position the target's azimuth is where the antenna already points (given by
// restingAzimuth, compass frame): automatic tracking turns the azimuth towards a target below the
// horizon, and an unknown target must not move the antenna.
class RemoteTargetLink : public DataLink {
  public:
    RemoteTargetLink(const RemoteTarget& target, const Clock& clock, double latitude, double longitude,
                     std::function<double()> restingAzimuth = {});

    static const QString Topic; // "ORBI|EXTRN"

    void SetLinkTopic(int box, const QString& topic) override;
    void SetLinkItem(int box, const QString& item) override;
    std::optional<PortError> SetLinkMode(int box, Mode mode) override;
    Answer Request(int box) override;

    // The text of an ORBI item now; nullopt for an item ORBI does not have.
    std::optional<QString> ItemText(const QString& item);

  private:
    const SkyBodies& BodiesNow();

    struct Box {
        QString topic, item;
        bool open = false;
    };
    const RemoteTarget& target_;
    const Clock& clock_;
    double latitude_, longitude_;
    std::function<double()> restingAzimuth_;
    std::array<Box, 20> boxes_{};
    // One cycle asks for six body items: compute them once per second.
    qint64 bodiesSecond_ = -1;
    SkyBodies bodies_;
};

// "LAT,LON" in degrees (north and east positive); nullopt when out of range or not numbers.
std::optional<std::pair<double, double>> ParseObserver(const QString& text);

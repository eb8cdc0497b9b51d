// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <random>

// A pair of azimuth/elevation rotators as the I/O board sees them: four relays drive the motors at a
// fixed speed each, mechanical end stops hold the angles, potentiometers turn the angles into volts
// and a 10-bit converter turns volts into counts. Time moves only through Advance, so the model runs
// in virtual time in tests and in wall time in the board emulator.
class RotatorPhysics {
  public:
    struct Settings {
        double azimuthSpeed = 6.0;   // degrees per second
        double elevationSpeed = 3.0; // degrees per second
        double azimuthStopMin = 0, azimuthStopMax = 360;
        double elevationStopMin = 0, elevationStopMax = 180;
        // Potentiometer calibration: angle A0 gives V0 volts, angle A1 gives V1 volts, linear between.
        double azimuthAngle0 = 0, azimuthAngle1 = 360, azimuthVolt0 = 0, azimuthVolt1 = 5;
        double elevationAngle0 = 0, elevationAngle1 = 90, elevationVolt0 = 0, elevationVolt1 = 2.5;
        double noiseCounts = 0; // standard deviation of the converter noise, in counts
        std::uint32_t seed = 1;
        double startAzimuth = 0, startElevation = 0;
    };

    RotatorPhysics() : RotatorPhysics(Settings{}) {}
    explicit RotatorPhysics(const Settings& settings);

    // Relay bits 4 right turn, 5 left turn, 6 up, 7 down. Other bits are ignored.
    void SetRelay(int bit, bool on);
    bool Relay(int bit) const;

    // Moves both axes for the given time with the present relay levels. A motor whose two
    // direction relays are both on does not turn.
    void Advance(std::int64_t milliseconds);

    double Azimuth() const { return azimuth_; }
    double Elevation() const { return elevation_; }
    void SetAngles(double azimuth, double elevation);

    // Volts of a potentiometer (channel 0 azimuth, 1 elevation), held to the converter's 0..5 V.
    double Volts(int channel) const;
    // The converter's count 0..1023, with noise when configured.
    int Count(int channel);

    const Settings& settings() const { return settings_; }

  private:
    Settings settings_;
    double azimuth_ = 0, elevation_ = 0;
    bool relays_[4] = {false, false, false, false};
    std::mt19937 random_;
    std::normal_distribution<double> noise_{0.0, 1.0};
};

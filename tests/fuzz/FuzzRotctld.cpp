// SPDX-License-Identifier: GPL-3.0-or-later
// The rotctld command lines any program on the machine can send, one request at a time and as a
// session of several lines.
#include "FuzzInput.h"
#include "links/RemoteTarget.h"
#include "links/RotctldProtocol.h"

#include <cmath>

namespace {

class FixedStation : public RotctldStation {
  public:
    int stops = 0;
    AntennaDirection PresentDirection() const override { return {123.456, 45.5}; }
    AntennaLimits OperatingRange() const override { return {-180, 180, 0, 90}; }
    int Stop() override {
        ++stops;
        return HamlibError::Ok;
    }
    QString Info() const override { return QStringLiteral("azelmon"); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const bool withTarget = input.Byte() & 1;
    FixedStation station;
    RemoteTarget target;
    RotctldProtocol protocol(station, withTarget ? &target : nullptr);

    // Each part is one line of the session; the server ends it where the reply says so.
    while (!input.AtEnd()) {
        const QByteArray line = input.Bytes();
        const long updatesBefore = target.updates();
        const RotctldProtocol::Reply reply = protocol.Handle(line);
        FUZZ_CHECK(reply.text.isEmpty() || reply.text.endsWith('\n'));
        // A garbage line is never obeyed.
        if (RotctldProtocol::IsGarbage(line))
            FUZZ_CHECK(target.updates() == updatesBefore);
        // Whatever was accepted is a sound target: azimuth 0..360, elevation 0..90.
        if (target.updates() != updatesBefore) {
            FUZZ_CHECK(withTarget);
            FUZZ_CHECK(target.azimuth() >= 0 && target.azimuth() <= 360);
            FUZZ_CHECK(target.elevation() >= 0 && target.elevation() <= 90);
        }
        if (reply.close)
            break;
    }

    // The number reader on its own: finite or nothing.
    if (const auto angle = RotctldProtocol::ParseAngle(
            QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))))
        FUZZ_CHECK(std::isfinite(*angle));
    return 0;
}

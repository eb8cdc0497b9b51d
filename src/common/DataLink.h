#pragma once

#include "common/PortError.h"

#include <QString>
#include <optional>

// DDE-style conversations with a satellite-tracking program, one per data box (Text1..Text19).
//
// Contract:
// - A box carries a topic ("App|Topic"), an item and a mode. Setting the mode to Manual opens the
//   conversation and fails when the server is not there; setting it to None closes it and never fails.
// - Request asks the server for the box's item and returns its text unchanged. It blocks the calling
//   thread for at most the backend's time-out (5 s on D-Bus) and fails when the box is not linked,
//   the server is gone or the item is unknown.
// - Calls come from the event-loop thread only.
class DataLink {
  public:
    enum class Mode { None, Manual };

    virtual ~DataLink() = default;

    virtual void SetLinkTopic(int box, const QString& topic) = 0;
    virtual void SetLinkItem(int box, const QString& item) = 0;
    virtual std::optional<PortError> SetLinkMode(int box, Mode mode) = 0;

    struct Answer {
        QString text;
        std::optional<PortError> error;
    };
    virtual Answer Request(int box) = 0;
};

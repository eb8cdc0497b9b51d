// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/PortError.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

// DDE-style conversations with a satellite-tracking program, one per data box (Text1..Text19).
//
// Contract:
// - Calls come from the event-loop thread only, and so do the answers of RequestBatch.
// - A box carries a topic ("App|Topic"), an item and a mode. Setting the mode to Manual opens the
//   conversation and fails when the server is not there; setting it to None closes it and never fails.
//   Opening may block for the backend's time-out; it is used at start-up only, before any relay has
//   been switched on by this program.
// - Request asks the server for the box's item and returns its text unchanged. It blocks the calling
//   thread for at most the backend's time-out (5 s on D-Bus) and fails when the box is not linked,
//   the server is gone or the item is unknown. Start-up only, for the same reason.
// - RequestBatch is what runs while motors may turn: it asks for the items of several boxes at once
//   and never blocks. `done` runs exactly once: with every text, in the order asked, or with the
//   first failure in that order (and no texts). A backend that knows the answers at once may call it
//   before RequestBatch returns; the D-Bus backend calls it later, from the event loop, at the latest
//   after its time-out. Destroying the link drops the answers of batches still under way.
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

    struct BatchAnswer {
        std::vector<QString> texts; // one per box asked, in order; empty on a failure
        std::optional<PortError> error;
        int failedBox = 0;
    };
    using BatchDone = std::function<void(BatchAnswer)>;
    // The default asks Request box by box and stops at the first failure: right for backends whose
    // Request never waits on anything outside the program.
    virtual void RequestBatch(const std::vector<int>& boxes, BatchDone done) {
        BatchAnswer batch;
        for (int box : boxes) {
            Answer answer = Request(box);
            if (answer.error) {
                done({{}, answer.error, box});
                return;
            }
            batch.texts.push_back(std::move(answer.text));
        }
        done(std::move(batch));
    }
};

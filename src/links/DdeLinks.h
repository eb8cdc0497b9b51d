// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/DataLink.h"

#include <QString>
#include <array>
#include <optional>
#include <vector>

struct MainState;
class MessageSink;

// The data boxes Text1..Text19 linked to the satellite-tracking program: ORBI first, else Calsat32.
// Plain code over the DataLink and MessageSink ports; the window only mirrors MainState::DataBox.
// Nothing here ends the program: a result says when the caller must end it.
class DdeLinks {
  public:
    struct BoxLink {
        int box;
        const char* item;
    };
    // Linking and request order of each server.
    static const std::array<BoxLink, 13> OrbiLinks;
    static const std::array<BoxLink, 15> CalsatLinks;
    // Boxes whose links ShutDown closes, in order.
    static const std::array<int, 17> AllLinkedBoxes;

    static const QString OrbiTopic;   // "ORBI|EXTRN"
    static const QString CalsatTopic; // "Calsat32|Export"
    static const QString StartServerMessage;

    enum class OpenResult { Linked, MustEnd };

    DdeLinks(MainState& state, DataLink& link, MessageSink& messages);

    // Start-up: probe ORBI on Text1, link ORBI (twice when the first attempt fails part-way), else
    // link Calsat32. When nothing could be linked the message has been shown and the caller must
    // end the program.
    OpenResult OpenDdeLinks();

    // Link the 13 ORBI boxes and request each once; false at the first failing operation.
    bool LinkOrbi();
    // Link the 15 Calsat32 boxes and request each once. On a failure shows StartServerMessage and
    // returns MustEnd.
    OpenResult LinkCalsat();

    // ShutDown: link mode none on Text1..Text15, Text18, Text19.
    void CloseDdeLinks();

    // One refresh of the tracking cycle, in two halves so that the event loop runs while the server
    // answers. RequestDdeFields asks for every linked box of the server in use at once
    // (DataLink::RequestBatch: `done` may run before it returns, or later from the event loop).
    // ApplyDdeFields writes a complete set of answers into the boxes; a failed refresh leaves every
    // box as it was, so a cycle never mixes fresh and old values. With the south start point, the
    // selected target's azimuth box is turned by half a turn (n + 180 for 0 <= n < 180, else
    // n - 180) and receivedTargetAzimuth holds the value as received.
    // selectedOption: 1 satellite, 2 Sun, 3 Moon, 4 Mars, 0 none.
    struct RefreshResult {
        std::optional<PortError> error; // set when the server did not answer
        int failedBox = 0;
        QString server; // "ORBI" or "Calsat32", for the status line
        std::optional<double> receivedTargetAzimuth;
    };
    void RequestDdeFields(DataLink::BatchDone done);
    RefreshResult ApplyDdeFields(const DataLink::BatchAnswer& answer, int selectedOption);
    // The boxes a refresh asks for, in the linking order of the server in use.
    std::vector<int> RefreshBoxes() const;

    // "ORBI" or "Calsat32" by UsingCalsat.
    QString ServerName() const;

    // Azimuth box of each target option (Option1..Option4).
    static int AzimuthBoxOf(int option);
    // The half-turn between the compass and the south start point frame.
    static double HalfTurn(double azimuth);
    // Plain decimal text of a number: "." as point, no exponent for ordinary angles.
    static QString PlainNumberText(double value);

  private:
    template <std::size_t N> bool Link(const QString& topic, const std::array<BoxLink, N>& entries);

    MainState& state_;
    DataLink& link_;
    MessageSink& messages_;
};

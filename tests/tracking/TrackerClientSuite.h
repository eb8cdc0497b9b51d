// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PrivateBusServer.h"
#include "links/DbusDataLink.h"

// A suite that talks to the data server on its private bus through azelmon's own link, on "ORBI|EXTRN".
template <typename Suite> class TrackerClientSuite : public PrivateBusSuite<Suite> {
  protected:
    DataLink::Answer Ask(const QString& item) {
        link.SetLinkTopic(1, QStringLiteral("ORBI|EXTRN"));
        link.SetLinkItem(1, item);
        if (auto error = link.SetLinkMode(1, DataLink::Mode::Manual))
            return {QString(), error};
        return link.Request(1);
    }
    double Number(const QString& item) {
        const auto answer = Ask(item);
        bool ok = false;
        const double value = answer.text.toDouble(&ok);
        EXPECT_TRUE(!answer.error && ok) << qPrintable(item) << " = " << qPrintable(answer.text);
        return value;
    }

    TrackServerProcess server;
    DbusDataLink link{PrivateBusSuite<Suite>::bus->connection()};
};

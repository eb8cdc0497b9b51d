// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Clock.h"
#include "common/DataLink.h"
#include "common/HelpViewer.h"
#include "common/IoBoard.h"
#include "common/MessageSink.h"
#include "common/Ports.h"
#include "common/SoundPlayer.h"
#include "common/StatusLine.h"
#include "common/Waiter.h"

#include <QDateTime>
#include <QMap>
#include <QStringList>
#include <algorithm>
#include <deque>
#include <functional>
#include <vector>

// Virtual time: starts at a fixed local date and moves only when a test advances it.
class FakeClock : public Clock {
  public:
    std::int64_t nowMs = 0;
    QDateTime localStart = QDateTime(QDate(2026, 12, 7), QTime(21, 0, 0), Qt::LocalTime);

    std::int64_t MonotonicMs() const override { return nowMs; }
    QDateTime LocalNow() const override { return localStart.addMSecs(nowMs); }
    QDateTime UtcNow() const override { return localStart.addMSecs(nowMs).toUTC(); }
    void Advance(std::int64_t ms) { nowMs += ms; }
};

// Sleeps advance the virtual clock.
class FakeWaiter : public Waiter {
  public:
    explicit FakeWaiter(FakeClock& clock) : clock_(clock) {}
    std::vector<int> sleeps;

    void Sleep(int ms) override {
        sleeps.push_back(ms);
        clock_.Advance(ms);
    }

  private:
    FakeClock& clock_;
};

// Records every board call; readings and failures are scripted by the test.
class RecordingBoard : public IoBoard {
  public:
    struct Write {
        int port, bit, level;
        bool operator==(const Write&) const = default;
    };
    QString address;
    std::vector<Write> writes; // successful and failed attempts alike
    std::vector<int> reads;    // channels asked for
    int counts[2] = {0, 0};    // present reading per channel
    int failWrites = 0;        // the next N writes fail
    bool failAllWrites = false;
    int failReads = 0;
    bool failAllReads = false;
    PortError error{10060, QStringLiteral("board did not answer")};

    void SetAddress(const QString& a) override { address = a; }
    std::optional<PortError> WriteOutputBit(int port, int bit, int level) override {
        writes.push_back({port, bit, level});
        if (failAllWrites || failWrites > 0) {
            if (failWrites > 0)
                --failWrites;
            return error;
        }
        levels[bit & 7] = level;
        return std::nullopt;
    }
    Reading ReadAnalogInput(int, int channel) override {
        reads.push_back(channel);
        if (failAllReads || failReads > 0) {
            if (failReads > 0)
                --failReads;
            return {0, error};
        }
        return {counts[channel & 1], std::nullopt};
    }
    Reading ReadOutputBit(int, int bit) override { return {levels[bit & 7], std::nullopt}; }
    // Level of a relay bit as the board last took it.
    int Level(int bit) const { return levels[bit & 7]; }
    bool AllRelaysOff() const { return !levels[4] && !levels[5] && !levels[6] && !levels[7]; }

  private:
    int levels[8] = {};
};

// A table of servers: "App|Topic" -> item -> text. A missing server or item fails like D-Bus would.
class FakeDataLink : public DataLink {
  public:
    QMap<QString, QMap<QString, QString>> servers;
    struct Box {
        QString topic, item;
        Mode mode = Mode::None;
    };
    QMap<int, Box> boxes;
    QStringList log; // "topic box T", "item box I", "mode box M", "request box"

    void SetLinkTopic(int box, const QString& topic) override {
        boxes[box].topic = topic;
        log << QStringLiteral("topic %1 %2").arg(box).arg(topic);
    }
    void SetLinkItem(int box, const QString& item) override {
        boxes[box].item = item;
        log << QStringLiteral("item %1 %2").arg(box).arg(item);
    }
    std::optional<PortError> SetLinkMode(int box, Mode mode) override {
        log << QStringLiteral("mode %1 %2").arg(box).arg(mode == Mode::Manual ? "manual" : "none");
        if (mode == Mode::Manual && !servers.contains(boxes[box].topic)) {
            boxes[box].mode = Mode::None;
            return PortError{282, QStringLiteral("no server for %1").arg(boxes[box].topic)};
        }
        boxes[box].mode = mode;
        return std::nullopt;
    }
    Answer Request(int box) override {
        log << QStringLiteral("request %1").arg(box);
        const Box& b = boxes[box];
        if (b.mode != Mode::Manual || !servers.contains(b.topic))
            return {QString(), PortError{282, QStringLiteral("not linked")}};
        const auto& items = servers[b.topic];
        if (!items.contains(b.item))
            return {QString(), PortError{285, QStringLiteral("unknown item %1").arg(b.item)}};
        return {items[b.item], std::nullopt};
    }
    // With holdBatches set, batches wait here (as behind a server that does not answer) until the
    // test answers them with AnswerHeldBatches.
    bool holdBatches = false;
    std::vector<std::pair<std::vector<int>, BatchDone>> heldBatches;
    void RequestBatch(const std::vector<int>& boxes, BatchDone done) override {
        if (holdBatches)
            heldBatches.emplace_back(boxes, std::move(done));
        else
            DataLink::RequestBatch(boxes, std::move(done));
    }
    void AnswerHeldBatches() {
        auto held = std::move(heldBatches);
        heldBatches.clear();
        for (auto& [boxes, done] : held)
            DataLink::RequestBatch(boxes, std::move(done));
    }
};

class RecordingMessages : public MessageSink {
  public:
    QStringList texts;
    std::function<void(const QString&)> onShow; // runs while the "box" is up
    void ShowMessage(const QString& text) override {
        texts << text;
        if (onShow)
            onShow(text);
    }
    QStringList questions;
    bool answer = false; // what the "user" answers every question with
    bool AskYesNo(const QString& text) override {
        questions << text;
        return answer;
    }
};

class RecordingSound : public SoundPlayer {
  public:
    QStringList played;
    void PlayAsync(const QString& f) override { played << f; }
};

class RecordingHelp : public HelpViewer {
  public:
    int shown = 0, closed = 0;
    void ShowContents() override { ++shown; }
    void Close() override { ++closed; }
};

class RecordingBrowser : public Browser {
  public:
    QStringList opened;
    bool starts = true; // false: as on a machine where no browser can be started
    bool OpenAddress(const QString& a) override {
        opened << a;
        return starts;
    }
};

class RecordingStatus : public StatusLine {
  public:
    QString left, right;
    QStringList history; // every text written, "L:" or "R:" first
    void SetLeft(const QString& t) override {
        left = t;
        history << QStringLiteral("L:") + t;
    }
    void SetRight(const QString& t) override {
        right = t;
        history << QStringLiteral("R:") + t;
    }
};

// All fakes together, wired into a Ports value.
struct FakeWorld {
    FakeClock clock;
    FakeWaiter waiter{clock};
    RecordingBoard board;
    FakeDataLink link;
    RecordingMessages messages;
    RecordingSound sound;
    RecordingHelp help;
    RecordingBrowser browser;
    RecordingStatus status;

    Ports ports() { return {&board, &link, &clock, &waiter, &messages, &sound, &help, &browser, &status}; }
};

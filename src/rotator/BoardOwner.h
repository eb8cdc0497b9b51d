// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/IoBoard.h"
#include "rotator/ControlDeadman.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// What the board's own thread does next, decided in plain C++ on a monotonic clock in milliseconds so
// that a test can run it call by call. The control says which level it wants on each relay (bits 4..7)
// and when it wants readings; the wire then works in passes:
// - every relay wanted off that the module has not confirmed off goes first, once a pass, with no gate
//   and no limit: a pass ends, the next one (RetryMs later, or at once when the control speaks) sends
//   it again, until the module has answered it;
// - then every relay wanted on that is not yet confirmed on (never once the end has begun);
// - then both potentiometers, when readings were asked for; an off wanted meanwhile goes before the
//   second reading;
// - then, where the module has Read Coils, one relay's coil read back (each relay the control has
//   spoken of in turn, one a reading pass): what the module says it holds is what counts, so a coil
//   found on that is wanted off gets its off again in the next pass (another master, a module that
//   reset), and one found off that is wanted on gets its on again.
// A relay wanted on stays wanted only while the control keeps speaking: should the deadline it gave
// pass without another word, every relay is wanted off (the deadman). A call that failed leaves every
// relay that was on unknown, so it is sent again when the module answers (it may have reset).
class BoardWire {
  public:
    struct Job {
        enum Kind { Write, Read, ReadCoil } kind;
        int index; // bit 4..7 for a write or a coil read back, channel 0..1 for a read
        int level; // for a write
    };
    static constexpr std::int64_t RetryMs = 200;

    // The control's side.
    void Want(int bit, int level);
    std::optional<int> Wanted(int bit) const { return wanted_[Index(bit)]; }
    void DemandReadings();
    void SetDeadline(std::int64_t atMs) { deadline_ = atMs; }
    void ClearDeadline() { deadline_.reset(); }
    void BeginEnding() { ending_ = true; }
    void ReadBack(bool on) { readBack_ = on; }

    // The thread's side: the next call to make (none: the pass is over), and its result.
    std::optional<Job> Next(std::int64_t nowMs);
    void Done(const Job& job, const std::optional<PortError>& error, int count, std::int64_t nowMs);
    // When the thread should look again with nothing asked of it (none: not before the control speaks).
    std::optional<std::int64_t> WakeAtMs(std::int64_t nowMs) const;
    // An off wanted that the module has not confirmed yet.
    bool OffOutstanding() const;

    // What the module last answered for a relay (none: not known since the last failure).
    std::optional<int> Taken(int bit) const { return taken_[Index(bit)]; }
    const std::optional<PortError>& WriteError(int bit) const { return writeError_[Index(bit)]; }
    std::uint64_t WriteAnswers(int bit) const { return writeAnswers_[Index(bit)]; }
    struct Sample {
        int count = 0;
        std::optional<PortError> error;
        std::uint64_t number = 0; // 0: none yet
        std::int64_t atMs = 0;
    };
    const Sample& LastSample(int channel) const { return sample_[channel == 0 ? 0 : 1]; }
    int Firings() const { return firings_; }

  private:
    static std::size_t Index(int bit) { return static_cast<std::size_t>(bit - 4) & 3U; }

    std::array<std::optional<int>, 4> wanted_{};
    std::array<std::optional<int>, 4> taken_{};
    std::array<std::optional<PortError>, 4> writeError_{};
    std::array<std::uint64_t, 4> writeAnswers_{};
    std::array<bool, 4> tried_{};
    bool readDemanded_ = false;
    std::array<bool, 2> readThisPass_{};
    bool readBack_ = false;
    bool coilThisPass_ = false;
    bool demandedAgain_ = false;
    std::size_t nextCoil_ = 0;
    std::array<Sample, 2> sample_{};
    std::uint64_t samples_ = 0;
    std::optional<std::int64_t> deadline_;
    int firings_ = 0;
    bool ending_ = false;
};

// The one owner of a real board: every call to it runs on a thread of its own, so a relay write never
// holds the window for longer than WaitMs, and a busy window, an open box or a slow file never delays
// an off. To the control it is an IoBoard like any other:
// - WriteOutputBit hands the level to the board's thread and waits at most WaitMs for the module's
//   answer; an answer not yet in is reported as in flight (PortError::InFlight), and the board's
//   thread goes on sending an off until the module has taken it.
// - ReadAnalogInput returns each answer of the module once (a reading or its error): one taken at most
//   FreshMs ago and not yet returned, or else it asks for one and waits for it, at most ReadWaitMs (the
//   call under way and the reading, each bounded by the response time-out); with none by then, the
//   reading is in flight: no position, and no failure either. After PrepareReadings it does not wait:
//   the measurement asks first and reads once the thread says both answers are in, so a silent module
//   never holds the window.
// - After a wait that ran out, the next call waits only once the board's thread has finished another
//   call: a silent module costs the window one short wait, not one per call.
// - As the control's deadman it switches every relay off when the control does not speak again within
//   the time it last gave, on the same connection as everything else.
// At the end (destruction) every relay is wanted off, and each one the module has not confirmed off is
// sent its off pass after pass until the module takes it, for at most EndingOffMs, before the thread
// stops.
class BoardOwner : public IoBoard, public ControlDeadman {
  public:
    explicit BoardOwner(IoBoard& board);
    ~BoardOwner() override;
    BoardOwner(const BoardOwner&) = delete;
    BoardOwner& operator=(const BoardOwner&) = delete;

    static constexpr int WaitMs = 30;
    static constexpr int ReadWaitMs = 1500;
    static constexpr std::int64_t FreshMs = 1000;
    static constexpr int EndingOffMs = 3000;
    static constexpr int EndingPauseMs = 50;  // between two passes of offs at the end
    static constexpr int OffWaitMs = 2 * 500; // the longest wait of an off's call for the module

    void SetAddress(const QString& address) override;
    std::optional<PortError> WriteOutputBit(int port, int bit, int level) override;
    std::optional<PortError> WriteOutputBitOnce(int port, int bit, int level, int timeoutMs) override;
    Reading ReadAnalogInput(int port, int channel) override;
    bool PrepareReadings(std::function<void()> ready) override;
    void CancelReadings() override;
    // Start-up only: asked of the module directly, between two calls of the board's thread.
    Reading ReadOutputBit(int port, int bit) override;

    // Runs work on the board itself between two calls of the board's thread (start-up's messages).
    void Exclusive(const std::function<void(IoBoard&)>& work);

    // Where the module answered Read Coils at start-up, the thread reads a coil back in each reading
    // pass (see BoardWire).
    void ReadBackCoils(bool on);

    void ExpectWordWithin(int ms) override;
    void AllOff() override;
    int Firings() const override;

  private:
    std::optional<PortError> Write(int port, int bit, int level, int waitMs);
    // Waits at most ms for done(), unless an earlier wait ran out and the thread has finished nothing
    // since. Called with the lock held.
    bool WaitFor(std::unique_lock<std::mutex>& lock, int ms, const std::function<bool()>& done);
    bool Fresh(int channel) const; // with mutex_ held
    void Run();
    void ApplyAddress(); // with boardMutex_ held
    static std::int64_t NowMs();

    IoBoard& board_;
    std::mutex boardMutex_; // one call on the board at a time
    mutable std::mutex mutex_;
    std::condition_variable changed_;  // the control spoke
    std::condition_variable answered_; // the thread finished a call
    BoardWire wire_;
    std::array<std::uint64_t, 2> returned_{}; // the last sample handed out per channel
    std::array<bool, 2> prepared_{};          // the next read of the channel returns without waiting
    std::function<void()> ready_;             // to call once both channels have a fresh sample
    std::uint64_t callsDone_ = 0;
    std::optional<std::uint64_t> waitRanOutAt_;
    std::optional<QString> address_; // to apply before the next call
    bool quit_ = false;
    std::thread thread_;
};

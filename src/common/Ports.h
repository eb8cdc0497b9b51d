// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class IoBoard;
class DataLink;
class Clock;
class Waiter;
class MessageSink;
class SoundPlayer;
class HelpViewer;
class Browser;
class StatusLine;

// The outside world as the program's routines see it. The app fills it with the real backends,
// tests with fakes. Nothing here is owned: whoever builds Ports keeps the objects alive.
struct Ports {
    IoBoard* board = nullptr;
    DataLink* link = nullptr;
    Clock* clock = nullptr;
    Waiter* waiter = nullptr;
    MessageSink* messages = nullptr;
    SoundPlayer* sound = nullptr;
    HelpViewer* help = nullptr;
    Browser* browser = nullptr;
    StatusLine* status = nullptr;
};

// The live-control protocol: one command of geigersim-run's language per
// request line, one line of JSON per answer. `geigersim-run --serve` speaks
// it on its standard streams, the window on its control socket; both run
// the commands through one ControlSession over a ControlHost of their own.
//
// How a host plugs in:
//   1. Derive from ControlHost and give the device steps, the presented
//      LCD, pictures and snapshots (RunOther for anything more it can do;
//      Column says which commands of the table it runs).
//   2. Keep one ControlSession per connection, living as long as the host.
//   3. Hand each request line (without its new line) to Request(); the
//      answer callback gets the JSON line, without its new line: at once,
//      or, for a host whose Wait takes real time, when its `done` is called.
//      Requests handed over meanwhile wait their turn and are answered in
//      order. After `quit` is answered, finished() is true: close the line.
//      Destroy the session outside its answer callbacks; a `done` the host
//      calls after that finds it gone and does nothing.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/lcd.h"
#include "script/commands/parse.h"
#include "script/script_language.h"

namespace geigerrun {

// The longest request line a host takes (1 MiB): no command of the
// language comes near it, so a longer one is junk, and is refused before it
// fills memory.
inline constexpr size_t kMaxRequestLineBytes = size_t{1} << 20;

// What the protocol needs from the device's host. Errors are the host's
// "<what>" without the request's place; the session puts that in front.
class ControlHost {
public:
    virtual ~ControlHost() = default;

    // Its column of the command table: the commands it runs are those whose
    // CommandSpec::hosts has this bit (the window's socket by default).
    virtual CommandHost Column() const { return kSocketHost; }
    // Why it does not run `cmd`, a command its column leaves out: "<what>",
    // the one answer to every such request.
    virtual std::string Refusal(const Command& cmd) const;
    // `press`, `real`, `demo` (never a Wait): run at once, as a script does.
    virtual void Step(const script::Step& step) = 0;
    // `wait`: `halfSeconds` 500 ms periods (virtual or real time, as the
    // host runs), then `done`. `done` may be called before Wait returns.
    virtual void Wait(uint64_t halfSeconds, std::function<void()> done) = 0;
    // The LCD as the host shows it: the picture of the last hand-over.
    virtual const LcdPicture& Presented() const = 0;
    // `png PATH [scale N] [panel]`, `save PATH`, `load PATH` with the
    // runner's rules and messages; PATH "-" writes the bytes to `out`.
    virtual bool WritePicture(const std::string& path, int scale, bool panel, std::ostream& out,
                              std::string& error) = 0;
    virtual bool Save(const std::string& path, std::ostream& out, std::string& error) = 0;
    virtual bool Load(const std::string& path, std::string& error) = 0;
    // Every other command its column holds (`lcd FILE`, `flash`, `log`,
    // `wav`, `chart`, and `clock` and `seed` before any other request).
    // Unlike the calls above, `error` is the whole message,
    // "<cmd.where>: <what>", as Runner::Run gives it. By default refused.
    virtual bool RunOther(const Command& cmd, std::ostream& out, std::string& error);
};

class ControlSession {
public:
    using Answer = std::function<void(const std::string& line)>;

    explicit ControlSession(ControlHost& host) : host_(host) {}
    ControlSession(const ControlSession&) = delete;
    ControlSession& operator=(const ControlSession&) = delete;

    // One request; `answer` is called exactly once with its JSON answer:
    //   {"ok":true[,"lcd":[ROWS]|"text":[LINES]|"state":{...}|"echo":TEXT
    //              |"file":PATH|"base64":BYTES]}
    //   {"ok":false,"error":MESSAGE[,"expectation":true]}
    // "expectation" marks an expectation that did not hold, as against a
    // command that is wrong or failed. An empty line (or a comment) is
    // answered {"ok":true}; `quit` likewise, and ends the session.
    void Request(std::string_view line, Answer answer);

    // A request is running (a wait not yet done).
    bool busy() const { return running_; }
    // `quit` was answered: no request is taken after it.
    bool finished() const { return finished_; }

private:
    struct Pending {
        std::string line;
        Answer answer;
    };
    void Next();
    void Run(const std::string& line);
    // The current request's `wait` or `wait until`, continued after each
    // host Wait; returns when the host waits on.
    void Continue();
    void Finish(const std::string& answer);

    ControlHost& host_;
    std::deque<Pending> queue_;
    Answer answer_;  // of the request running
    uint64_t lines_ = 0;
    bool running_ = false;
    bool draining_ = false;  // Next() is taking requests off the queue
    bool finished_ = false;
    bool setUpOver_ = false;  // a request other than clock and seed has run
    // A `wait until` under way: its command, the periods waited so far.
    Command waiting_;
    uint64_t waited_ = 0;
    bool inHostWait_ = false, resumedInWait_ = false;
    // Callbacks a host keeps beyond the session's life find it gone.
    std::shared_ptr<ControlSession*> self_ = std::make_shared<ControlSession*>(this);
};

}  // namespace geigerrun

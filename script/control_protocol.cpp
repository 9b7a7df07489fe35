// The live-control session: a request line through the runner's grammar,
// run on the host, answered as one line of JSON.
#include "script/control_protocol.h"

#include <nlohmann/json.hpp>

#include <sstream>
#include <vector>

#include "core/driver.h"
#include "script/commands/expect.h"
#include "script/commands/lcd_dump.h"
#include "script/commands/state_json.h"
#include "script/commands/text.h"

namespace geigerrun {
namespace {

// Ordered, so every answer starts with "ok".
using json = nlohmann::ordered_json;

// ASCII out whatever bytes a message quotes, so every answer is one valid line.
std::string Line(const json& answer) { return answer.dump(-1, ' ', true, json::error_handler_t::replace); }

json Failure(const std::string& message) { return {{"ok", false}, {"error", message}}; }

// "a\nb\n" as ["a", "b"].
json Rows(const std::string& text) {
    json rows = json::array();
    std::istringstream in(text);
    for (std::string row; std::getline(in, row);) rows.push_back(row);
    return rows;
}

std::string Base64(const std::string& bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = std::min<size_t>(3, bytes.size() - i);
        uint32_t v = 0;
        for (size_t k = 0; k < 3; ++k)
            v = v << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (size_t k = 0; k < 4; ++k) out += k <= n ? kDigits[(v >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

// What a command that writes PATH answers: the file, or for "-" its bytes.
json Written(const std::string& path, const std::string& bytes) {
    if (path == "-") return {{"ok", true}, {"base64", Base64(bytes)}};
    return {{"ok", true}, {"file", path}};
}

}  // namespace

std::string ControlHost::Refusal(const Command&) const { return "this host does not serve that command"; }

bool ControlHost::RunOther(const Command& cmd, std::ostream&, std::string& error) {
    error = cmd.where + ": " + Refusal(cmd);
    return false;
}

void ControlSession::Request(std::string_view line, Answer answer) {
    if (finished_) {
        answer(Line(Failure("the session has ended (quit)")));
        return;
    }
    queue_.push_back({std::string(line), std::move(answer)});
    Next();
}

void ControlSession::Next() {
    // A loop rather than a call from Finish, so a host that answers at once
    // does not nest one call per request queued.
    if (draining_) return;
    draining_ = true;
    while (!running_ && !finished_ && !queue_.empty()) {
        Pending next = std::move(queue_.front());
        queue_.pop_front();
        answer_ = std::move(next.answer);
        running_ = true;
        Run(next.line);
    }
    draining_ = false;
    // Requests after `quit` are answered as refused, in order.
    while (finished_ && !queue_.empty()) {
        Pending next = std::move(queue_.front());
        queue_.pop_front();
        next.answer(Line(Failure("the session has ended (quit)")));
    }
}

void ControlSession::Finish(const std::string& answer) {
    running_ = false;
    Answer to = std::move(answer_);
    answer_ = nullptr;
    to(answer);
    Next();
}

void ControlSession::Run(const std::string& line) {
    ++lines_;
    const std::string where = "line " + std::to_string(lines_);
    if (script::Trim(line) == "quit") {
        finished_ = true;
        Finish(Line({{"ok", true}}));
        return;
    }
    std::vector<Command> commands;
    std::string error;
    // The line alone is "line 1" to the grammar; the session counts its own.
    const bool parsed = Parse(line, "", commands, error);
    for (Command& cmd : commands) cmd.where = where;
    if (!parsed) {
        Finish(Line(Failure(where + error.substr(error.find(':')))));
        return;
    }
    if (commands.empty()) {
        Finish(Line({{"ok", true}}));
        return;
    }
    if (commands.size() > 1) {
        Finish(Line(Failure(where + ": one command per request line (this one has " +
                            std::to_string(commands.size()) + ")")));
        return;
    }
    const Command& cmd = commands.front();
    const bool setUp = cmd.op == Op::Clock || cmd.op == Op::Seed;
    if (setUp && setUpOver_) {
        Finish(Line(Failure(where + ": " + (cmd.op == Op::Clock ? "clock" : "seed") +
                            " sets up the device: send it before any other command")));
        return;
    }
    setUpOver_ = setUpOver_ || !setUp;

    std::ostringstream out;
    std::string what;
    auto fileAnswer = [&](bool ok) {
        return ok ? Line(Written(cmd.text, out.str())) : Line(Failure(where + ": " + what));
    };
    if ((SpecOf(cmd.op).hosts & host_.Column()) == 0) {
        Finish(Line(Failure(where + ": " + host_.Refusal(cmd))));
        return;
    }
    // The session's own run steps; the host runs the rest of its column.
    switch (cmd.op) {
    case Op::Press:
    case Op::Real:
    case Op::Demo:
        host_.Step(cmd.step);
        Finish(Line({{"ok", true}}));
        return;
    case Op::Wait:
    case Op::ExpectText:
    case Op::ExpectLcd:
    case Op::ExpectField:
        waiting_ = cmd;
        waited_ = 0;
        Continue();
        return;
    case Op::Lcd: Finish(Line({{"ok", true}, {"lcd", Rows(LcdText(host_.Presented()))}})); return;
    case Op::Text: Finish(Line({{"ok", true}, {"text", Rows(ScreenText(host_.Presented()))}})); return;
    case Op::State: Finish(Line({{"ok", true}, {"state", State(DriverHandOvers(), DriverHalfTicks() * 500)}})); return;
    case Op::Echo: Finish(Line({{"ok", true}, {"echo", cmd.text}})); return;
    case Op::Png:
        if (cmd.atDraw) {  // it watches the next command, and a request is one command
            Finish(Line(Failure(where + ": png at-draw watches the command after it, so it works in scripts only")));
            return;
        }
        if (cmd.dpi != 0 || cmd.clean) {  // the hosts' pictures take neither here
            Finish(Line(Failure(where + ": png " + (cmd.dpi != 0 ? "dpi" : "clean") +
                                " works in geigersim-run's scripts only")));
            return;
        }
        Finish(fileAnswer(host_.WritePicture(cmd.text, cmd.scale, cmd.panel, out, what)));
        return;
    case Op::Save: Finish(fileAnswer(host_.Save(cmd.text, out, what))); return;
    case Op::Load: Finish(Line(host_.Load(cmd.text, what) ? json{{"ok", true}} : Failure(where + ": " + what))); return;
    default: {
        if (!host_.RunOther(cmd, out, error)) {
            Finish(Line(Failure(error)));
        } else if (SpecOf(cmd.op).answersFile) {
            Finish(Line(Written(cmd.text, out.str())));
        } else {
            // Nothing to hand back (a gif is written at its end).
            Finish(Line({{"ok", true}}));
        }
        return;
    }
    }
}

void ControlSession::Continue() {
    // Each pass checks, then waits one step through the host; a host that
    // waits at once comes back here by the loop, one that waits in real
    // time by `done`.
    while (true) {
        uint64_t step = 1;
        if (waiting_.op == Op::Wait) {
            if (waited_ > 0) {
                Finish(Line({{"ok", true}}));
                return;
            }
            step = waiting_.step.halfSeconds;
        } else {
            std::string message;
            if (CheckExpectation(waiting_, host_.Presented(), message)) {
                Finish(Line({{"ok", true}}));
                return;
            }
            if (waited_ == waiting_.within) {
                if (waiting_.within > 0) message += " (waited " + script::FormatDuration(waiting_.within) + ")";
                json answer = Failure(waiting_.where + ": " + message);
                answer["expectation"] = true;
                Finish(Line(answer));
                return;
            }
        }
        waited_ += step;
        inHostWait_ = true;
        resumedInWait_ = false;
        std::weak_ptr<ControlSession*> self = self_;
        host_.Wait(step, [self] {
            const std::shared_ptr<ControlSession*> session = self.lock();
            if (!session) return;  // the connection closed meanwhile
            ControlSession& s = **session;
            if (s.inHostWait_) {
                s.resumedInWait_ = true;
            } else {
                s.Continue();
            }
        });
        inHostWait_ = false;
        if (!resumedInWait_) return;
    }
}

}  // namespace geigerrun

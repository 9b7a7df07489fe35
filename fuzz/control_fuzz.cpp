// The live-control session fed request lines, over a stub host whose waits
// end only when the input says so (as the window's end on real time). Every
// request is answered exactly once, in order, with one line of JSON that
// starts with "ok"; nothing after `quit` is run; a wait still pending when
// the connection goes finds the session gone.
//
// Input: lines split at '\n'. A line that starts with byte 0x01 is no
// request: it ends the pending wait, as many times as its second byte says.
#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/bounded_read.h"
#include "script/control_protocol.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

LcdPicture presented;  // blank background: 62 KB, off the stack

class StubHost : public geigerrun::ControlHost {
public:
    std::function<void()> pending;
    uint64_t steps = 0;

    void Step(const script::Step& step) override {
        Check(step.kind != script::StepKind::Wait);
        ++steps;
    }
    std::string Refusal(const geigerrun::Command& cmd) const override {
        return cmd.op == geigerrun::Op::Real ? "no real counts here" : ControlHost::Refusal(cmd);
    }
    void Wait(uint64_t halfSeconds, std::function<void()> done) override {
        Check(halfSeconds > 0 && !pending);
        pending = std::move(done);
    }
    const LcdPicture& Presented() const override { return presented; }
    // Files: "-" gives bytes; a name of odd length fails, as a full disk would.
    bool WritePicture(const std::string& path, int scale, bool, std::ostream& out, std::string& error) override {
        Check(scale >= 1 && scale <= 8);
        return File(path, out, error);
    }
    bool Save(const std::string& path, std::ostream& out, std::string& error) override {
        return File(path, out, error);
    }
    bool Load(const std::string& path, std::string& error) override {
        if (path.size() % 2 == 0) return true;
        error = "cannot load";
        return false;
    }

private:
    static bool File(const std::string& path, std::ostream& out, std::string& error) {
        if (path == "-") {
            out << "\x89PNG\r\n\x1a\n";
            return true;
        }
        if (path.size() % 2 == 0) return true;
        error = "cannot write";
        return false;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // As in the window: a dump named by `expect lcd` is never a pipe to wait on.
    RefuseSpecialFiles(true);
    for (int y = 0; y < kLcdScreenHeight; ++y)
        for (int x = 0; x < kLcdScreenWidth; ++x) presented.pixels[y][x] = kLcdBackground;

    StubHost host;
    auto session = std::make_unique<geigerrun::ControlSession>(host);
    uint64_t asked = 0;
    auto answered = std::make_shared<uint64_t>(0);
    bool quitAnswered = false;

    std::string_view input(reinterpret_cast<const char*>(data), size);
    while (!input.empty()) {
        const size_t end = input.find('\n');
        const std::string_view line = input.substr(0, end);
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
        if (!line.empty() && line[0] == '\x01') {
            for (int n = line.size() > 1 ? static_cast<uint8_t>(line[1]) : 1; n > 0 && host.pending; --n) {
                std::function<void()> done = std::move(host.pending);
                host.pending = nullptr;
                done();
            }
            continue;
        }
        const uint64_t number = ++asked;
        const bool isQuit = script::Trim(line) == "quit";
        session->Request(line, [number, answered, isQuit, &quitAnswered](const std::string& answer) {
            Check(++*answered == number);
            Check(answer.find('\n') == std::string::npos);
            const auto json = nlohmann::ordered_json::parse(answer, nullptr, false);
            Check(json.is_object() && !json.empty() && json.begin().key() == "ok" && json.begin()->is_boolean());
            if (!json["ok"].get<bool>()) Check(json.contains("error") && json["error"].is_string());
            if (quitAnswered) Check(!json["ok"].get<bool>());
            if (isQuit && json["ok"].get<bool>()) quitAnswered = true;
        });
        Check(session->finished() == quitAnswered);
        if (!host.pending) Check(*answered == asked);
    }
    // The connection goes with a wait pending: its end finds nothing.
    session.reset();
    if (host.pending) host.pending();
    return 0;
}

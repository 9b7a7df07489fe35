// `geigersim-run --serve`: the runner as a control host. Waits run at once
// on virtual time, so every request is answered before the next is read.
#include "tools/run/serve.h"

#include <sstream>
#include <string>
#include <vector>

#include "script/control_protocol.h"

namespace geigerrun {
namespace {

class RunnerHost : public ControlHost {
public:
    RunnerHost(Runner& runner, const StartOptions& options) : runner_(runner), options_(options) {}

    void Step(const script::Step& step) override { Play(step); }
    void Wait(uint64_t halfSeconds, std::function<void()> done) override {
        Play(script::WaitStep(halfSeconds));
        done();
    }
    const LcdPicture& Presented() const override { return runner_.presented(); }
    bool WritePicture(const std::string& path, int scale, bool panel, std::ostream& out,
                      std::string& error) override {
        return runner_.WritePicture(path, scale, panel, out, error);
    }
    bool Save(const std::string& path, std::ostream& out, std::string& error) override {
        return runner_.Save(path, out, error);
    }
    bool Load(const std::string& path, std::string& error) override { return runner_.Load(path, error); }

    CommandHost Column() const override { return kServeHost; }
    std::string Refusal(const Command& cmd) const override {
        if (cmd.op == Op::Tour)
            return "tour starts the device afresh for every screen; run it as a script, not in --serve";
        return ControlHost::Refusal(cmd);
    }

    bool RunOther(const Command& cmd, std::ostream& out, std::string& error) override {
        if (cmd.op != Op::Clock && cmd.op != Op::Seed) return runner_.Run({cmd}, out, error);
        // Only before any other request: the device starts over with it,
        // which is all the same as having started with it.
        if (cmd.op == Op::Clock) options_.clock = cmd.clock;
        if (cmd.op == Op::Seed) options_.seed = cmd.seed;
        runner_.Start(options_);
        return true;
    }

private:
    // Through Run, which keeps the panel's layout as a script run does.
    void Play(const script::Step& step) {
        std::ostringstream none;
        std::string error;
        runner_.Run({StepCommand(step)}, none, error);  // device steps print nothing and cannot fail
    }

    Runner& runner_;
    StartOptions options_;
};

// The next line of `in` without its new line, at most kMaxRequestLineBytes
// of it kept: `tooLong` tells a longer one, whose rest is passed over.
bool NextLine(std::istream& in, std::string& line, bool& tooLong) {
    line.clear();
    tooLong = false;
    std::streambuf* buffer = in.rdbuf();
    for (int c; (c = buffer->sbumpc()) != std::char_traits<char>::eof();) {
        if (c == '\n') return true;
        if (line.size() < kMaxRequestLineBytes) {
            line += static_cast<char>(c);
        } else {
            tooLong = true;
        }
    }
    in.setstate(std::ios::eofbit);
    return !line.empty() || tooLong;
}

}  // namespace

bool Serve(Runner& runner, const StartOptions& options, std::istream& in, std::ostream& out) {
    runner.Start(options);
    RunnerHost host(runner, options);
    ControlSession session(host);
    std::string line;
    bool tooLong = false;
    while (!session.finished() && NextLine(in, line, tooLong)) {
        if (tooLong) {
            // Memory stays flat whatever comes; the session goes on with the next line.
            out << R"json({"ok":false,"error":"request line too long (more than 1 MiB)"})json" << '\n' << std::flush;
        } else {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            session.Request(line, [&out](const std::string& answer) { out << answer << '\n' << std::flush; });
        }
        if (!out) return false;
    }
    return true;
}

}  // namespace geigerrun

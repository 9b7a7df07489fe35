// The control session over a host whose waits take real time, as the
// window's do: answers come when the host is done, in the order asked.
// (geigersim-run's host, which waits at once, is driven in tests/python.)

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "script/control_protocol.h"
#include "script/script_player.h"

namespace {

using geigerrun::ControlSession;

// The firmware through the script player; each wait is held until the test
// lets it run.
class LaterHost : public geigerrun::ControlHost {
public:
    LaterHost() { player_.Start({1772874330, true, 1, nullptr, nullptr}); }

    void Step(const script::Step& step) override { player_.Play(step); }
    void Wait(uint64_t halfSeconds, std::function<void()> done) override {
        held_.push_back([this, halfSeconds, done] {
            player_.Wait(halfSeconds);
            done();
        });
    }
    const LcdPicture& Presented() const override {
        LcdBits bits;
        LcdSnapshot(bits);
        LcdExpand(bits, picture_);
        return picture_;
    }
    bool WritePicture(const std::string&, int, bool, std::ostream&, std::string& error) override {
        error = "no pictures here";
        return false;
    }
    bool Save(const std::string&, std::ostream&, std::string&) override { return false; }
    bool Load(const std::string&, std::string&) override { return false; }

    // Runs the oldest held wait; false when none is held.
    bool RunOne() {
        if (held_.empty()) return false;
        auto next = std::move(held_.front());
        held_.erase(held_.begin());
        next();
        return true;
    }

private:
    script::Player player_;
    mutable LcdPicture picture_;
    std::vector<std::function<void()>> held_;
};

struct Answers {
    std::vector<std::string> lines;
    ControlSession::Answer Into() {
        return [this](const std::string& line) { lines.push_back(line); };
    }
};

TEST(ControlSession, AnswersWaitWhenTheHostIsDoneAndQueuedRequestsAfterInOrder) {
    LaterHost host;
    ControlSession session(host);
    Answers got;
    session.Request("wait 1s", got.Into());
    session.Request("expect virtualMs == 1000", got.Into());
    session.Request("bogus", got.Into());
    EXPECT_TRUE(got.lines.empty());
    EXPECT_TRUE(session.busy());
    ASSERT_TRUE(host.RunOne());
    EXPECT_FALSE(session.busy());
    ASSERT_EQ(got.lines.size(), 3u);
    EXPECT_EQ(got.lines[0], R"j({"ok":true})j");
    EXPECT_EQ(got.lines[1], R"j({"ok":true})j");
    EXPECT_EQ(got.lines[2], R"j({"ok":false,"error":"line 3: unknown command 'bogus'"})j");
}

TEST(ControlSession, WaitUntilStepsThroughTheHostAndFailsAsAnExpectation) {
    LaterHost host;
    ControlSession session(host);
    Answers got;
    session.Request("wait until virtualMs >= 1500 within 5s", got.Into());
    int steps = 0;
    while (got.lines.empty() && host.RunOne()) ++steps;
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(got.lines, std::vector<std::string>{R"j({"ok":true})j"});

    session.Request("wait until virtualMs > 99999 within 1s", got.Into());
    while (host.RunOne()) {
    }
    ASSERT_EQ(got.lines.size(), 2u);
    EXPECT_EQ(got.lines[1],
              R"j({"ok":false,"error":"line 2: expected virtualMs > 99999, got 2500 (waited 1s)","expectation":true})j");
}

TEST(ControlSession, OneCommandALineAndNothingAfterQuit) {
    LaterHost host;
    Answers got;
    {
        ControlSession session(host);
        session.Request("  # a comment", got.Into());
        session.Request("press select; press up", got.Into());
        session.Request("png x.png", got.Into());
        session.Request("quit", got.Into());
        session.Request("press select", got.Into());
        EXPECT_TRUE(session.finished());
        ASSERT_EQ(got.lines.size(), 5u);
        EXPECT_EQ(got.lines[0], R"j({"ok":true})j");
        EXPECT_EQ(got.lines[1], R"j({"ok":false,"error":"line 2: one command per request line (this one has 2)"})j");
        EXPECT_EQ(got.lines[2], R"j({"ok":false,"error":"line 3: no pictures here"})j");
        EXPECT_EQ(got.lines[3], R"j({"ok":true})j");
        EXPECT_EQ(got.lines[4], R"j({"ok":false,"error":"the session has ended (quit)"})j");

        // A connection that closes while its wait is held: the host's late call finds no session.
        ControlSession closing(host);
        closing.Request("wait 500ms", got.Into());
    }
    EXPECT_TRUE(host.RunOne());
    EXPECT_EQ(got.lines.size(), 5u);
}

// A host of the other column, as --serve is: it runs real counts and the
// commands past the session's own, and refuses only what the table leaves out.
class ServeColumnHost : public LaterHost {
public:
    std::vector<geigerrun::Op> ran;
    geigerrun::CommandHost Column() const override { return geigerrun::kServeHost; }
    bool RunOther(const geigerrun::Command& cmd, std::ostream&, std::string&) override {
        ran.push_back(cmd.op);
        return true;
    }
};

TEST(ControlSession, RunsItsHostsColumnOfTheCommandTableAndRefusesTheRestInOneAnswer) {
    const char* const requests[] = {"seed 3", "real 5", "walk 2", "battery 3.3", "flash f.bin", "gif g.gif", "tour d"};
    LaterHost socket;
    ServeColumnHost serve;
    Answers fromSocket, fromServe;
    ControlSession socketSession(socket), serveSession(serve);
    for (const char* request : requests) {
        socketSession.Request(request, fromSocket.Into());
        serveSession.Request(request, fromServe.Into());
    }
    ASSERT_EQ(fromSocket.lines.size(), std::size(requests));
    for (size_t i = 0; i < std::size(requests); ++i)
        EXPECT_EQ(fromSocket.lines[i], R"j({"ok":false,"error":"line )j" + std::to_string(i + 1) +
                                           R"j(: this host does not serve that command"})j")
            << requests[i];
    EXPECT_EQ(fromServe.lines,
              (std::vector<std::string>{R"j({"ok":true})j", R"j({"ok":true})j", R"j({"ok":true})j",
                                        R"j({"ok":true})j", R"j({"ok":true,"file":"f.bin"})j", R"j({"ok":true})j",
                                        R"j({"ok":false,"error":"line 7: this host does not serve that command"})j"}));
    using geigerrun::Op;
    EXPECT_EQ(serve.ran, (std::vector<Op>{Op::Seed, Op::Walk, Op::Battery, Op::Flash, Op::Gif}));
}

}  // namespace

// What a run leaves for a test system to read: the JUnit report of its
// scripts, and the pictures of each failed expectation.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/run/runner.h"

namespace geigerrun {

// One script run as a test case.
struct CaseResult {
    std::string name;                       // the script's file, or "-e"
    double seconds = 0;                     // processor time it took
    std::vector<Runner::Failure> failures;  // its failed expectations
    std::string fault;                      // what stopped it other than an expectation
    std::string faultType = "fault";        // "script" when it could not run at all
};

// A JUnit XML report: one testsuite "geigersim-run", a testcase per script,
// a failure per failed expectation, an error for a fault.
std::string JUnitXml(const std::vector<CaseResult>& cases);
// Text as XML character data or an attribute value: markup characters as
// entities, bytes XML cannot hold (controls, anything outside ASCII) as \xNN.
std::string XmlEscape(std::string_view text);

// The names artifacts are filed under for the scripts of one run: each
// path without its last extension, without a leading "./" or "/", '/' as
// '-'; "stdin" for "-". A name that two paths would share gets "-2", "-3"
// after it, so every script's pictures are its own.
std::vector<std::string> ArtifactLabels(const std::vector<std::string>& paths);
// Removes from `dir` the pictures that an earlier run wrote for `labels`
// (LABEL-LINE-actual.png, -expected.png, -diff.png), so that none is taken
// for this run's.
bool RemoveArtifacts(const std::string& dir, const std::vector<std::string>& labels, std::string& error);
// Whether `path` can be written as WriteFileSafely writes it (its folder
// exists and takes a new file; it is not a folder); "-" always can. False
// with `error` set to "'PATH': why".
bool CanWriteFile(const std::string& path, std::string& error);

}  // namespace geigerrun

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
};

// A JUnit XML report: one testsuite "geigersim-run", a testcase per script,
// a failure per failed expectation, an error for a fault.
std::string JUnitXml(const std::vector<CaseResult>& cases);
// Text as XML character data or an attribute value: markup characters as
// entities, bytes XML cannot hold (controls, anything outside ASCII) as \xNN.
std::string XmlEscape(std::string_view text);

// The name artifacts are filed under for a script path: its file name
// without directories and without its last extension.
std::string ArtifactLabel(const std::string& path);

}  // namespace geigerrun

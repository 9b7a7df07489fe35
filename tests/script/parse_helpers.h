// Parsing commands in a test: the commands of text that must parse, or the
// error of text that must not. Shared by the grammar's and the runner's tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/commands/parse.h"

inline std::vector<geigerrun::Command> ParseOk(const std::string& text, const std::string& source = "") {
    std::vector<geigerrun::Command> commands;
    std::string error;
    EXPECT_TRUE(geigerrun::Parse(text, source, commands, error)) << error;
    return commands;
}

inline std::string ParseError(const std::string& text, const std::string& source = "") {
    std::vector<geigerrun::Command> commands;
    std::string error;
    EXPECT_FALSE(geigerrun::Parse(text, source, commands, error)) << text;
    return error;
}

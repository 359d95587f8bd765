// SPDX-License-Identifier: MIT
// Where quarnel-reg meets its console: the arguments in the program's UTF-8,
// output in the text the console or a redirected file expects, and whether a
// person is there to answer a question.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace quarnel::reg {

std::vector<std::string> ConsoleArguments(int argc, char** argv);

// Writes UTF-8 text to stdout or stderr.
void ConsoleWrite(std::FILE* stream, const std::string& utf8);

// True when standard input is a terminal.
bool ConsoleCanAsk();

}  // namespace quarnel::reg

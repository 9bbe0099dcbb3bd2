// The program's standard streams as the system gives them.
#pragma once

namespace vardo {

// Makes standard input, output and error carry bytes unchanged. Where the C runtime has a text
// mode (Windows), it would write every line end as "\r\n" in pieces and end the input at the
// first Ctrl-Z byte; in binary mode lines end in "\n" as everywhere else (every interface of the
// xboard protocol reads both), each line goes out in one write, and a "\r\n" read is taken as a
// line end by the console reader. Elsewhere this does nothing.
void UseBinaryStandardStreams();

}  // namespace vardo

// The terminal number prompt behind every question the demo asks.
#pragma once

// Prints prompt once, then reads lines from standard input until one starts
// with a number in [min, max] (strtol, base 10) and returns it. Lines are
// read 254 characters at a time; the rest of a longer line counts as the
// next answer. Nothing is printed for a rejected answer. At end of input the
// lower bound is taken, so a run with no terminal never hangs.
int ask_number(const char* prompt, int min, int max);

// Where the answers come from, linked into the program: standard input
// (prompt_input.cpp) or the page's input line (web/web_prompt_input.cpp). Reads
// one line, or its first size - 1 bytes, into line; false at end of input.
bool prompt_read_line(char* line, int size);

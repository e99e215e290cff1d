#pragma once
#include <functional>
#include <thread>

// Starts a thread that leaves signals to the program's own threads: it runs
// with every signal blocked but those a fault raises in the thread itself
// (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS), so that a
// crash there still reaches the handler that puts the terminal back. Not
// joinable when no thread can be had.
std::thread startHelperThread(std::function<void()> body);

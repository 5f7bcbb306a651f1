#pragma once

#include <memory>

// A crash of the server leaves a line in its log (standard error): the time,
// the signal and a backtrace, written from the signal handler itself; the
// process then ends as the signal would have ended it.
namespace CrashLog {

// Installs the handlers for the whole process (once, in main).
void install();

// The signal stack of one thread: a crash by stack overflow still has room
// to write its line. Kept for the life of the thread.
class ThreadStack
{
public:
    ThreadStack();
    ~ThreadStack();
    ThreadStack(const ThreadStack &) = delete;
    ThreadStack &operator=(const ThreadStack &) = delete;

private:
    std::unique_ptr<char[]> m_stack;
};

} // namespace CrashLog

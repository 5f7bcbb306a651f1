#include "crashlog.h"

#include <csignal>
#include <initializer_list>
#include <cstring>
#include <ctime>
#include <execinfo.h>
#include <unistd.h>

namespace {

constexpr size_t AltStackBytes = 64 * 1024;
long utcOffsetSeconds = 0;

void put(const char *text)
{
    [[maybe_unused]] auto n = ::write(STDERR_FILENO, text, std::strlen(text));
}

// Digits of value into out, zero-padded to width; returns the end.
char *digits(char *out, long value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = char('0' + value % 10);
        value /= 10;
    }
    return out + width;
}

// "YYYY-MM-DD hh:mm:ss " of the local time, with nothing but arithmetic
// (localtime is not safe inside a signal handler).
void putTime()
{
    const long t = long(::time(nullptr)) + utcOffsetSeconds;
    long days = t / 86400;
    const long secs = t % 86400;
    // Civil date from days since 1970-01-01.
    days += 719468;
    const long era = days / 146097;
    const long doe = days - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const long day = doy - (153 * mp + 2) / 5 + 1;
    const long month = mp < 10 ? mp + 3 : mp - 9;
    const long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char line[32];
    char *p = digits(line, year, 4);
    *p++ = '-';
    p = digits(p, month, 2);
    *p++ = '-';
    p = digits(p, day, 2);
    *p++ = ' ';
    p = digits(p, secs / 3600, 2);
    *p++ = ':';
    p = digits(p, secs / 60 % 60, 2);
    *p++ = ':';
    p = digits(p, secs % 60, 2);
    *p++ = ' ';
    *p = '\0';
    put(line);
}

void onCrash(int number)
{
    putTime();
    put("korvan-server CRASHED: ");
    put(strsignal(number)); // a static table in glibc
    char code[16];
    char *p = code;
    *p++ = ' ';
    *p++ = '(';
    p = digits(p, number, 2);
    *p++ = ')';
    *p++ = '\n';
    *p = '\0';
    put(code);
    void *frames[48];
    const int n = ::backtrace(frames, 48);
    ::backtrace_symbols_fd(frames, n, STDERR_FILENO);
    // The handler was reset: the signal now ends the process as it would have.
    ::raise(number);
}

} // namespace

namespace CrashLog {

void install()
{
    const time_t now = ::time(nullptr);
    struct tm local = {};
    ::localtime_r(&now, &local);
    utcOffsetSeconds = local.tm_gmtoff;
    // backtrace() loads its helper library on first use: not inside a handler.
    void *frame = nullptr;
    ::backtrace(&frame, 1);

    static ThreadStack mainStack;
    struct sigaction action = {};
    action.sa_handler = onCrash;
    action.sa_flags = SA_RESETHAND | SA_ONSTACK | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int number : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT})
        sigaction(number, &action, nullptr);
}

ThreadStack::ThreadStack()
    : m_stack(new char[AltStackBytes])
{
    stack_t stack = {};
    stack.ss_sp = m_stack.get();
    stack.ss_size = AltStackBytes;
    sigaltstack(&stack, nullptr);
}

ThreadStack::~ThreadStack()
{
    stack_t off = {};
    off.ss_flags = SS_DISABLE;
    sigaltstack(&off, nullptr);
}

} // namespace CrashLog

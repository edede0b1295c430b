#pragma once
// The one error type and the one log call of the system.

#include <exception>
#include <string>

namespace norvane {

// Every fatal condition is thrown as an Exception by value. Building one logs its text
// at level "error", channel "system", so every error reaches the log even when caught.
class Exception : public std::exception {
public:
    enum { MessageSize = 8000 };

    explicit Exception(const char* format, ...) __attribute__((format(printf, 2, 3)));
    Exception(const Exception& other) noexcept;
    Exception& operator=(const Exception& other) noexcept;
    ~Exception() override;

    const char* what() const noexcept override;

private:
    char mMessage[MessageSize];
};

// One log line, as handed to the sink. All strings are borrowed.
struct LogRecord {
    const char* level;
    const char* message;
    const char* file;
    const char* function;
    const char* channel;
    int line;
};

// Formats the message into a buffer of 2048 characters and prints it through printLogRecord.
// Safe to call from several threads at once; each line is printed whole.
void logMessage(const char* level, const char* channel, const char* file, int line,
                const char* function, const char* format, ...) __attribute__((format(printf, 6, 7)));

// The sink: "[level][function], message (file:line)\n" on standard output.
void printLogRecord(const LogRecord& record);

// Trims a __PRETTY_FUNCTION__ text to its qualified name: "void a::B::c(int) const" gives "a::B::c".
std::string functionName(const char* prettyFunction);

} // namespace norvane

// Logs with the caller's source file, line and qualified function name.
#define NVN_LOG(level, channel, ...)                                                                  \
    ::norvane::logMessage((level), (channel), __FILE__, __LINE__,                                     \
                          ::norvane::functionName(__PRETTY_FUNCTION__).c_str(), __VA_ARGS__)

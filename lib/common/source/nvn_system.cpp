#include "nvn_system.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace norvane {

namespace {
const char* const kExceptionFunction = "norvane::Exception::Exception";
} // namespace

Exception::Exception(const char* format, ...) : std::exception() {
    va_list args;
    va_start(args, format);
    std::vsnprintf(mMessage, sizeof(mMessage), format, args);
    va_end(args);
    // The finished text is logged as it is, never read again as a format.
    logMessage("error", "system", __FILE__, __LINE__, kExceptionFunction, "%s", mMessage);
}

Exception::Exception(const Exception& other) noexcept : std::exception(other) {
    std::memcpy(mMessage, other.mMessage, sizeof(mMessage));
}

Exception& Exception::operator=(const Exception& other) noexcept {
    std::exception::operator=(other);
    std::memcpy(mMessage, other.mMessage, sizeof(mMessage));
    return *this;
}

Exception::~Exception() = default;

const char* Exception::what() const noexcept { return mMessage; }

void logMessage(const char* level, const char* channel, const char* file, int line, const char* function,
                const char* format, ...) {
    // On the caller's stack, so that threads can log at once.
    char buffer[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    buffer[sizeof(buffer) - 1] = '\0';
    LogRecord record{level, buffer, file, function, channel, line};
    printLogRecord(record);
}

void printLogRecord(const LogRecord& record) {
    const char* file = record.file ? record.file : "";
    const char* base = file;
    for (const char* p = file + std::strlen(file); p != file; --p) {
        const char c = p[-1];
        if (c == '\\' || c == '/' || c == ':') {
            base = p;
            break;
        }
    }
    const char* function = record.function ? record.function : "";
    static const char prefix[] = "norvane::";
    if (std::strncmp(function, prefix, sizeof(prefix) - 1) == 0) function += sizeof(prefix) - 1;
    std::printf("[%s][%s], %s (%s:%d)\n", record.level ? record.level : "", function,
                record.message ? record.message : "", base, record.line);
    // A log going to a file or a pipe is read as it grows, and must survive a killed process.
    std::fflush(stdout);
}

std::string functionName(const char* prettyFunction) {
    const std::string text = prettyFunction ? prettyFunction : "";
    // The parameter list starts at the first '(' outside template arguments, or after an operator's symbol.
    size_t open = std::string::npos;
    size_t nameEnd = std::string::npos;
    const size_t op = text.find("operator");
    if (op != std::string::npos) {
        size_t from = op + 8;
        if (text.compare(from, 2, "()") == 0) from += 2;
        open = text.find('(', from);
        nameEnd = op;
    } else {
        int depth = 0;
        for (size_t i = 0; i < text.size() && open == std::string::npos; ++i) {
            const char c = text[i];
            if (c == '<') ++depth;
            else if (c == '>' && depth > 0) --depth;
            else if (c == '(' && depth == 0) open = i;
        }
        nameEnd = open;
    }
    if (open == std::string::npos) return text;
    // The name starts after the last blank before it that stands outside template arguments.
    int depth = 0;
    size_t start = 0;
    for (size_t i = nameEnd; i-- > 0;) {
        const char c = text[i];
        if (c == '>') ++depth;
        else if (c == '<' && depth > 0) --depth;
        else if ((c == ' ' || c == '*' || c == '&') && depth == 0) {
            start = i + 1;
            break;
        }
    }
    return text.substr(start, open - start);
}

} // namespace norvane

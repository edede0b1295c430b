#include "nvn_system.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

using norvane::Exception;
using norvane::LogRecord;

namespace {

std::string printed(const LogRecord& record) {
    testing::internal::CaptureStdout();
    norvane::printLogRecord(record);
    return testing::internal::GetCapturedStdout();
}

LogRecord record(const char* function, const char* file, const char* message = "m") {
    return LogRecord{"warning", message, file, function, "kvx", 7};
}

} // namespace

TEST(LogSink, TrimsTheNamespacePrefixOnlyAtTheStart) {
    EXPECT_EQ(printed(record("norvane::display::Texture::bindAndLoadImage", "a.cpp")),
              "[warning][display::Texture::bindAndLoadImage], m (a.cpp:7)\n");
    EXPECT_EQ(printed(record("Buff::Head::addRing", "a.cpp")), "[warning][Buff::Head::addRing], m (a.cpp:7)\n");
    EXPECT_EQ(printed(record("x::norvane::f", "a.cpp")), "[warning][x::norvane::f], m (a.cpp:7)\n");
    EXPECT_EQ(printed(record("", "a.cpp")), "[warning][], m (a.cpp:7)\n");
}

// A log going to a file or a pipe holds each line as soon as it is logged, not at the exit.
TEST(LogSink, EveryLineReachesAFileAtOnce) {
    char path[] = "/tmp/nvn_log_XXXXXX";
    const int file = mkstemp(path);
    ASSERT_GE(file, 0);
    std::fflush(stdout);
    const int saved = dup(1);
    dup2(file, 1);
    norvane::printLogRecord(record("f", "a.cpp"));
    char text[64] = {};
    const ssize_t got = pread(file, text, sizeof(text) - 1, 0);
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    close(file);
    unlink(path);
    EXPECT_EQ(std::string(text, got > 0 ? static_cast<size_t>(got) : 0), "[warning][f], m (a.cpp:7)\n");
}

TEST(LogSink, CutsTheFileAfterTheLastSeparator) {
    EXPECT_EQ(printed(record("f", "D:\\x\\y\\z.h")), "[warning][f], m (z.h:7)\n");
    EXPECT_EQ(printed(record("f", "a/b.cpp")), "[warning][f], m (b.cpp:7)\n");
    EXPECT_EQ(printed(record("f", "c:file")), "[warning][f], m (file:7)\n");
    EXPECT_EQ(printed(record("f", "plain.cpp")), "[warning][f], m (plain.cpp:7)\n");
    EXPECT_EQ(printed(record("f", "dir/")), "[warning][f], m (:7)\n");
}

TEST(LogSink, MessageWithLineBreakSplitsTheLine) {
    EXPECT_EQ(printed(LogRecord{"warning", "mesh::Unknown chunk with ID=0x2300\n", "src\\reader.cpp",
                                "norvane::kvx::Mesh::load", "kvx", 123}),
              "[warning][kvx::Mesh::load], mesh::Unknown chunk with ID=0x2300\n (reader.cpp:123)\n");
}

TEST(LogCall, FormatsAndCutsLongMessagesAt2047) {
    const std::string longText(3000, 'x');
    testing::internal::CaptureStdout();
    norvane::logMessage("log", "app", "dir/file.cpp", 3, "norvane::am::f", "%s", longText.c_str());
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "[log][am::f], " + std::string(2047, 'x') + " (file.cpp:3)\n");

    testing::internal::CaptureStdout();
    norvane::logMessage("log", "app", "f.cpp", 1, "g", "value %d of %s", 5, "six");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "[log][g], value 5 of six (f.cpp:1)\n");
}

// Threads logging at once (the frame dumper's workers and the main thread) each print their own text.
TEST(LogCall, ThreadsLoggingAtOnceKeepTheirOwnMessages) {
    testing::internal::CaptureStdout();
    auto logMany = [](int line, const char* text) {
        for (int i = 0; i < 5000; ++i) norvane::logMessage("log", "app", "f.cpp", line, "g", "%s", text);
    };
    std::thread other(logMany, 2, "second");
    logMany(1, "first");
    other.join();
    std::istringstream out(testing::internal::GetCapturedStdout());
    int lines = 0;
    for (std::string line; std::getline(out, line); ++lines)
        ASSERT_TRUE(line == "[log][g], first (f.cpp:1)" || line == "[log][g], second (f.cpp:2)") << line;
    EXPECT_EQ(lines, 10000);
}

TEST(ExceptionTest, FormatsLogsAndCopies) {
    testing::internal::CaptureStdout();
    Exception e("value %d", 5);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_STREQ(e.what(), "value 5");
    EXPECT_EQ(out.rfind("[error][Exception::Exception], value 5 (nvn_system.cpp:", 0), 0u) << out;
    EXPECT_EQ(out.back(), '\n');

    testing::internal::CaptureStdout();
    Exception copy(e);
    Exception assigned("other");
    assigned = e;
    testing::internal::GetCapturedStdout();
    EXPECT_STREQ(copy.what(), "value 5");
    EXPECT_STREQ(assigned.what(), "value 5");
}

TEST(ExceptionTest, PercentSignInTheFinishedTextIsLoggedLiterally) {
    testing::internal::CaptureStdout();
    Exception e("Could not load '%s'", "100%.png");
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_STREQ(e.what(), "Could not load '100%.png'");
    EXPECT_NE(out.find("Could not load '100%.png' ("), std::string::npos) << out;
}

TEST(ExceptionTest, LongTextIsCutAt7999) {
    const std::string longText(9000, 'y');
    testing::internal::CaptureStdout();
    Exception e("%s", longText.c_str());
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::string(e.what()), std::string(7999, 'y'));
}

TEST(ExceptionTest, IsCaughtAsStdException) {
    testing::internal::CaptureStdout();
    try {
        throw Exception("[loadPNG] Not a png-file! Header is wrong!");
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "[loadPNG] Not a png-file! Header is wrong!");
    }
    testing::internal::GetCapturedStdout();
}

namespace sample {
struct Widget {
    std::string name() const { return norvane::functionName(__PRETTY_FUNCTION__); }
    template <typename T> std::string templ(T) { return norvane::functionName(__PRETTY_FUNCTION__); }
    bool operator<(const Widget&) const { return false; }
};
} // namespace sample

TEST(FunctionName, TrimsPrettyFunctionToTheQualifiedName) {
    sample::Widget w;
    EXPECT_EQ(w.name(), "sample::Widget::name");
    EXPECT_EQ(w.templ(3), "sample::Widget::templ");
    EXPECT_EQ(norvane::functionName("void norvane::display::Texture::bind(const std::vector<int>&)"),
              "norvane::display::Texture::bind");
    EXPECT_EQ(norvane::functionName("std::map<int, float> norvane::f(int)"), "norvane::f");
    EXPECT_EQ(norvane::functionName("std::ostream& norvane::xml::operator<<(std::ostream&, int)"),
              "norvane::xml::operator<<");
    EXPECT_EQ(norvane::functionName("void Foo::operator()(int)"), "Foo::operator()");
    EXPECT_EQ(norvane::functionName("main"), "main");
    EXPECT_EQ(norvane::functionName(""), "");
}

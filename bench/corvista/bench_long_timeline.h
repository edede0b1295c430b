#pragma once
// The long timelines of the editor's benchmarks.

#include <string>

namespace benchtimeline {

// A timeline of the given number of entries, in pairs: a top-level entry with a spline track and
// one entry nested in it. The editor shows each pair in three rows.
inline std::string longTimeline(int entries) {
    std::string text = "<script>";
    for (int i = 0; i + 1 < entries; i += 2) {
        const int start = i % 500;
        text += "<effect name=\"e" + std::to_string(i) + "\" start=\"" + std::to_string(start) + "\" end=\"" +
                std::to_string(start + 5) + "\"><spline name=\"v\" type=\"linear\"><key time=\"0\" value=\"0\"/>"
                "<key time=\"1\" value=\"1\"/></spline><effect name=\"c\" start=\"1\" end=\"3\"/></effect>";
    }
    return text + "</script>";
}

// A timeline of the given number of top-level entries of 1 s, all between 1,000 s and 2,000 s: past
// the benchmarks' 600 s demo, so none plays and no bar is in sight.
inline std::string lateTimeline(int entries) {
    std::string text = "<script>";
    for (int i = 0; i < entries; ++i) {
        const int start = 1000 + i % 1000;
        text += "<effect name=\"e\" start=\"" + std::to_string(start) + "\" end=\"" + std::to_string(start + 1) + "\"/>";
    }
    return text + "</script>";
}

} // namespace benchtimeline

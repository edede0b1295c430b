#include "xml/xml_cursor.h"

#include "nvn_system.h"

namespace norvane {
namespace xml {

namespace charclass {
namespace {
constexpr Table makeTable() {
    Table t{};
    for (int c = 0; c < 256; ++c) {
        unsigned char f = 0;
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) f |= Letter;
        if (c == ':') f |= Colon;
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') f |= Space;
        t.flags[c] = f;
    }
    return t;
}
} // namespace
const Table table = makeTable();
} // namespace charclass

InputCursor::InputCursor(const char* data, int length)
    : mData(data), mLength(length < 0 || !data ? 0 : length), mPosition(0), mLine(1), mTagLine(-1),
      mColumn(1), mTagColumn(-1) {}

void InputCursor::throwEof() { throw EndOfText(); }

void InputCursor::advanceSlow(int n) {
    if (n <= 0) return;
    if (n > mLength - mPosition) throwEof();
    for (int i = 0; i < n; ++i) count(mData[mPosition + i]);
    mPosition += n;
}

char InputCursor::get() {
    if (mPosition >= mLength) throwEof();
    const char c = mData[mPosition++];
    if (c == '\r') {
        ++mColumn;
    } else {
        count(c);
    }
    return c;
}

void InputCursor::readWord(std::string& out, bool withColon) {
    const unsigned char mask = charclass::Letter | (withColon ? charclass::Colon : 0);
    const char* start = mData + mPosition;
    const char* end = mData + mLength;
    const char* p = start;
    while (p < end && (charclass::flags(*p) & mask)) ++p;
    const int n = static_cast<int>(p - start);
    out.assign(start, n);
    mPosition += n;
    mColumn += n;
}

void InputCursor::readUntilByte(std::string& out, char stop, bool stopAtLineFeed) {
    out.clear();
    const char* const end = mData + mLength;
    const char* p = mData + mPosition;
    for (;;) {
        const char* start = p;
        while (p < end) {
            const char c = *p;
            if (c == stop || c == '\n' || c == '\t' || c == '\r') break;
            ++p;
        }
        out.append(start, p - start);
        mColumn += static_cast<int>(p - start);
        if (p == end || *p == stop) break;
        const char c = *p;
        if (c == '\n') {
            if (stopAtLineFeed) break;
            out.push_back('\n');
            ++mLine;
            mColumn = 1;
        } else if (c == '\t') {
            out.append(4, ' ');
            mColumn += 4;
        }
        ++p; // a CR is dropped
    }
    mPosition = static_cast<int>(p - mData);
}

void InputCursor::readUntilImpl(std::string& out, const std::string& stops, bool stopAtLineFeed) {
    out.clear();
    bool isStop[256] = {};
    for (char c : stops) isStop[static_cast<unsigned char>(c)] = true;
    while (mPosition < mLength) {
        const char c = mData[mPosition];
        if (isStop[static_cast<unsigned char>(c)] || (c == '\n' && stopAtLineFeed)) break;
        ++mPosition;
        count(c);
        if (c == '\t') {
            out.append(4, ' ');
        } else if (c != '\r') {
            out.push_back(c);
        }
    }
}

std::string InputCursor::readWhile(const std::string& extra) {
    const char* start = mData + mPosition;
    int n = 0;
    while (mPosition + n < mLength) {
        const char c = start[n];
        if (!charclass::isWord(c) && extra.find(c) == std::string::npos) break;
        ++n;
    }
    mPosition += n;
    mColumn += n;
    return std::string(start, n);
}

std::string InputCursor::readUntil(const std::string& stops) {
    std::string out;
    readUntilImpl(out, stops, false);
    return out;
}

std::string InputCursor::readUntilOnLine(const std::string& stops) {
    std::string out;
    readUntilImpl(out, stops, true);
    return out;
}

} // namespace xml
} // namespace norvane

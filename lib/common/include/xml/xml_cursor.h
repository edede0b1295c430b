#pragma once
// Reading position in an XML byte buffer, with the line and column that error messages name.

#include "nvn_system.h"

#include <string>

namespace norvane {
namespace xml {

// Byte classes used by the reader.
namespace charclass {
enum : unsigned char { Letter = 1, Colon = 2, Space = 4 };
struct Table {
    unsigned char flags[256];
};
extern const Table table;
inline unsigned char flags(char c) { return table.flags[static_cast<unsigned char>(c)]; }
inline bool isWord(char c) { return flags(c) & Letter; }
inline bool isSpace(char c) { return flags(c) & Space; }
} // namespace charclass

// What reading past the end of the text throws: an Exception "EOF".
class EndOfText : public Exception {
public:
    EndOfText() : Exception("EOF") {}
};

// Column rule: TAB adds 4, LF starts a new line at column 1, CR counts nothing, every other
// byte adds 1 (get() alone counts a CR as an ordinary byte). Reading past the end throws EndOfText.
class InputCursor {
public:
    InputCursor(const char* data, int length);

    void advance(int n) {
        if (n == 1 && mPosition < mLength) {
            count(mData[mPosition++]);
            return;
        }
        advanceSlow(n);
    }
    char peek(int offset) const {
        if (offset < 0 || offset >= mLength - mPosition) throwEof();
        return mData[mPosition + offset];
    }
    char get();
    void skipWhitespace() {
        while (mPosition < mLength) {
            const char c = mData[mPosition];
            if (c == ' ') {
                ++mColumn;
            } else if (c == '\n') {
                ++mLine;
                mColumn = 1;
            } else if (c == '\t') {
                mColumn += 4;
            } else if (c != '\r') {
                return;
            }
            ++mPosition;
        }
    }

    // Longest run of ASCII letters, digits and bytes of extra; stops at the end without error.
    std::string readWhile(const std::string& extra);
    // Bytes up to the first one in stops or the end: TAB stored as four spaces, CR dropped.
    std::string readUntil(const std::string& stops);
    // As readUntil, but an LF ends the read without being consumed.
    std::string readUntilOnLine(const std::string& stops);

    // The same reads into a string the caller keeps (its storage is reused). readWord takes
    // letters and digits, plus ':' when withColon is set.
    void readWord(std::string& out, bool withColon);
    void readUntilByte(std::string& out, char stop, bool stopAtLineFeed);

    bool atEnd() const { return mPosition >= mLength; }
    // The next byte; the caller has checked atEnd().
    char current() const { return mData[mPosition]; }
    const char* here() const { return mData + mPosition; }
    int remaining() const { return mLength - mPosition; }

    // Marks where the tag now being read begins.
    void markTag() {
        mTagLine = mLine;
        mTagColumn = mColumn;
    }

    int position() const { return mPosition; }
    int line() const { return mLine; }
    int column() const { return mColumn; }
    int tagLine() const { return mTagLine; }
    int tagColumn() const { return mTagColumn; }

private:
    void readUntilImpl(std::string& out, const std::string& stops, bool stopAtLineFeed);
    void advanceSlow(int n);
    [[noreturn]] static void throwEof();
    void count(char c) {
        if (c == '\t') {
            mColumn += 4;
        } else if (c == '\n') {
            ++mLine;
            mColumn = 1;
        } else if (c != '\r') {
            ++mColumn;
        }
    }

    const char* mData;
    int mLength;
    int mPosition;
    int mLine;
    int mTagLine;
    int mColumn;
    int mTagColumn;
};

} // namespace xml
} // namespace norvane

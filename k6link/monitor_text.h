#pragma once
// The monitor window's view of the module's bytes. The trace is meant as Windows-1250 text with
// CR LF line ends, but anything may come down the line: every byte becomes something visible and
// nothing can break the view.
//
//   CR LF, lone CR, lone LF   one line end each (a CR LF split between two chunks too)
//   TAB                       kept
//   other control bytes       their control picture (0x00 shows U+2400 "␀", 0x7F U+2421)
//   0x20 .. 0xFF              the Windows-1250 character; the five bytes the code page leaves
//                             undefined show U+FFFD

#include <QString>
#include <cstdint>
#include <span>

namespace dalvex::k6link {

class MonitorTextDecoder {
public:
    // Appends the text of a chunk to `out`.
    void Decode(std::span<const std::uint8_t> bytes, QString& out);
    // Whether the text so far ends with a line end (or nothing has been decoded).
    bool AtLineStart() const { return atLineStart_; }
    // Text appended by the window itself (the time-stamp lines) ends a pending CR.
    void Appended(const QString& text);
    void Reset();

private:
    bool afterCr_ = false;
    bool atLineStart_ = true;
};

} // namespace dalvex::k6link

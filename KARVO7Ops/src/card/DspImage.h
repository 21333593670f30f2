// DSP program files and the image the card's program memory takes: 128-byte blocks, at most
// 255 of them because the block count travels as an 8-bit number.
//
// A .hex file holds one 16-bit word a line as four hexadecimal digits (high byte first), each
// line ended by CR LF or LF, the last line with or without an end, and maybe empty lines after
// the last word; the image holds the words in file order, low byte first. A .bin file is the
// image as it stands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace k7check {

inline constexpr size_t kDspBlockBytes = 128;
inline constexpr size_t kDspMaxBlocks = 255;
inline constexpr size_t kDspMaxImageBytes = kDspBlockBytes * kDspMaxBlocks;  // 32640

// Result texts of the load.
inline constexpr const char* kDspFileNotFound = "Datei nicht gefunden";
inline constexpr const char* kDspNoMemory = "Kein Speicher verfügbar";
inline constexpr const char* kDspNoValidExtension = "Keine gültige Extension (*.bin/*.hex)";
inline constexpr const char* kDspTooLarge = "Programm zu groß (höchstens 255 Blöcke, 32640 Bytes)";
// "Datei nicht gefunden: <path>", the path tried; the bare text for a blank name.
std::string dspFileNotFoundText(const std::string& path);
// "Ungültige Zeile %d in der Hex-Datei", with the line number from 1.
std::string dspBadHexLineText(size_t line);

// An image ready for KARVO7LoadProm: `bytes` holds blocks() × 128 bytes, the last block
// filled up with zeros.
struct DspImage {
    std::vector<uint8_t> bytes;
    uint32_t blocks() const { return static_cast<uint32_t>(bytes.size() / kDspBlockBytes); }
};

// An image, or the result text that says why there is none (`error` empty with an image).
struct DspImageRead {
    DspImage image;
    std::string error;
    bool ok() const { return error.empty(); }
};

enum class DspFileKind { Hex, Bin, Unknown };
// The kind of a file by its name: the file name (without its folder) holds ".hex" or ".bin"
// after its first character, in any case; ".hex" is looked for first.
DspFileKind dspFileKindOf(std::string_view path);

// Reads a .hex file's text piece by piece, as it comes from the file. Each line is four
// hexadecimal digits, ended by CR LF or LF (the last line may have no end); empty lines at the
// end of the file are no words and are ignored. Any other line, or an empty line with a word
// after it, is refused with its number (from 1); a text of more words than 255 blocks hold is
// refused as too large as soon as the word that does not fit is read.
class HexImageReader {
  public:
    // Takes the next piece of text; false once the text is refused (further text is ignored).
    bool feed(std::string_view text);
    // The image, or why there is none; an empty text (or only empty lines) is no image.
    DspImageRead finish();

  private:
    // "12AB\r" is the longest text a line of a word holds before its line feed.
    static constexpr size_t kLongestLine = 5;
    void endLine(bool lineEnd);

    std::vector<uint8_t> bytes_;
    std::string line_;       // the line read so far, without its line feed
    size_t number_ = 1;      // its number
    size_t firstEmpty_ = 0;  // the first of the empty lines just read, 0 when none
    std::string error_;
};

// The image of a whole .hex file's text, as HexImageReader reads it.
DspImageRead dspImageFromHex(std::string_view text);
// The image of a .bin file's bytes; an empty file is no image.
DspImageRead dspImageFromBin(std::string_view bytes);

// Reads a program file into an image: "Datei nicht gefunden" when it cannot be opened or read,
// "Keine gültige Extension (*.bin/*.hex)" for another name or an empty image. A file is judged by
// the blocks it holds and is read no further than the first word too many or the first bad line
// (a .bin file: the first byte too many). Nothing is sent to a card.
DspImageRead readDspImage(const std::string& path);

}  // namespace k7check

// DSP program files and the image the card's program memory takes: 128-byte blocks, at most
// 255 of them because the block count travels as an 8-bit number.
//
// A .hex file holds one 16-bit word a line as four hexadecimal digits (high byte first), each
// line ended by CR LF or LF, the last line with or without an end; the image holds the words
// in file order, low byte first. A .bin file is the image as it stands.
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
// The longest file that can hold an image of kDspMaxImageBytes: six characters a word in a
// .hex file, the bytes themselves in a .bin file.
inline constexpr size_t kDspMaxHexFileBytes = kDspMaxImageBytes / 2 * 6;
inline constexpr size_t kDspMaxBinFileBytes = kDspMaxImageBytes;

// Result texts of the load.
inline constexpr const char* kDspFileNotFound = "Datei nicht gefunden";
inline constexpr const char* kDspNoMemory = "Kein Speicher verfügbar";
inline constexpr const char* kDspNoValidExtension = "Keine gültige Extension (*.bin/*.hex)";
inline constexpr const char* kDspTooLarge = "Programm zu groß (höchstens 255 Blöcke, 32640 Bytes)";
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

// The image of a .hex file's text. A line that is not exactly four hexadecimal digits with its
// line end is refused with its number; an empty text is no image.
DspImageRead dspImageFromHex(std::string_view text);
// The image of a .bin file's bytes; an empty file is no image.
DspImageRead dspImageFromBin(std::string_view bytes);

// Reads a program file into an image: "Datei nicht gefunden" when it cannot be opened or read,
// "Keine gültige Extension (*.bin/*.hex)" for another name or an empty image, and a file too
// long for any valid image is refused before it is read whole. Nothing is sent to a card.
DspImageRead readDspImage(const std::string& path);

}  // namespace k7check
